// The pause under a terminal that the test owns: keys come only through the
// terminal (standard input is /dev/null), and the terminal is left as found.
#include <signal.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <string>

#include "support/cache_builder.h"
#include "support/pty_session.h"

namespace {

// What a run over an index without records says after its pause.
const std::string kNoRecords =
    "No entry record was found in the cache index - the file may not be a cache index.\r\n";

void ExpectTerminalRestored(const PtySession& session) {
  struct termios t = session.TerminalSettings();
  EXPECT_NE(t.c_lflag & ICANON, 0u) << "line editing left off";
  EXPECT_NE(t.c_lflag & ECHO, 0u) << "echo left off";
}

TEST(PausePty, EscapeEndsTheRunBeforeAnythingIsCreated) {
  ScratchCache s;
  s.WriteIndex();
  PtySession session({s.cache}, s.Options());
  ASSERT_TRUE(session.WaitForPrompt());
  session.Send("\x1b");
  RunResult r = session.Finish();
  EXPECT_EQ(r.exitCode, 255);
  std::string out = FromTerminal(r.out);
  EXPECT_NE(out.find(std::string(PtySession::kPrompt) + "\n*** Exiting by ESCAPE ***\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("work completed"), std::string::npos);
  EXPECT_EQ(ListTree(s.work), "");
  ExpectTerminalRestored(session);
}

TEST(PausePty, AnyOtherKeyContinuesWithoutEcho) {
  const struct {
    const char* name;
    std::string key;
  } keys[] = {{"letter", "x"},  {"enter", "\r"},    {"cursor up", "\x1b[A"},
              {"F1", "\x1bOP"}, {"F5", "\x1b[15~"}, {"two-byte character", "\xc3\xa9"}};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    ScratchCache s;
    s.WriteIndex();
    PtySession session({"-q", s.cache}, s.Options());
    ASSERT_TRUE(session.WaitForPrompt());
    session.Send(k.key);  // a cursor key's whole sequence in one write
    RunResult r = session.Finish();
    EXPECT_EQ(r.exitCode, 0);
    // The prompt is blanked and nothing of the key is echoed.
    EXPECT_EQ(r.out, TerminalPauses(1) + kNoRecords);
    EXPECT_TRUE(IsDirectory(s.out));
    ExpectTerminalRestored(session);
  }
}

TEST(PausePty, EachPauseWaitsForItsOwnKey) {
  ScratchCache s;
  s.WriteIndex();
  MakeDirs(s.out);  // a second pause: the output dir exists
  PtySession session({"-q", s.cache}, s.Options());
  ASSERT_TRUE(session.WaitForPrompt(1));
  session.Send("a");
  ASSERT_TRUE(session.WaitForPrompt(2));
  EXPECT_NE(FromTerminal(session.Output()).find("ERROR: can't create DIR 'TALVEX.OUT'"),
            std::string::npos);
  session.Send("\x1b");
  RunResult r = session.Finish();
  EXPECT_EQ(r.exitCode, 255);
  ExpectTerminalRestored(session);
}

TEST(PausePty, KeysTypedAheadWaitForTheNextPause) {
  // Sent in one write at the first pause: one key for it, ESC for the second.
  const struct {
    const char* name;
    std::string keys;
    int pauses;  // the one that ESC ends
  } cases[] = {{"letter", "x\x1b", 2},
               {"cursor up", "\x1b[A\x1b", 2},
               {"F1", "\x1bOP\x1b", 2},
               {"F5", "\x1b[15~\x1b", 2},
               {"F1 on the Linux console", "\x1b[[A\x1b", 2},
               {"Alt-x", "\x1bx\x1b", 2},
               {"three-byte character", "\xe2\x82\xac\x1b", 2},
               {"ESC twice", "\x1b\x1b", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchCache s;
    s.WriteIndex();
    MakeDirs(s.out);  // a second pause: the output dir exists
    PtySession session({"-q", s.cache}, s.Options());
    ASSERT_TRUE(session.WaitForPrompt());
    session.Send(c.keys);
    RunResult r = session.Finish(3000);
    EXPECT_EQ(r.exitCode, 255);
    std::string before =
        c.pauses == 1 ? ""
                      : TerminalPauses(1) + "ERROR: can't create DIR 'TALVEX.OUT' - skipping.\n";
    EXPECT_EQ(FromTerminal(r.out), before + PtySession::kPrompt + "\n*** Exiting by ESCAPE ***\n");
  }
}

TEST(PausePty, BackgroundRunDoesNotWait) {
  ScratchCache s;
  s.WriteIndex();
  RunOptions background = s.Options();
  background.background = true;
  PtySession session({"-q", s.cache}, background);
  RunResult r = session.Finish(3000);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, TerminalPauses(1) + kNoRecords);
  EXPECT_TRUE(IsDirectory(s.out));
}

TEST(PausePty, StopAndContinueDuringThePause) {
  // Ctrl-Z restores the terminal before the stop. SIGSTOP cannot be caught:
  // the shell puts back its own settings, as bash does when a job stops.
  for (bool ctrlZ : {true, false}) {
    SCOPED_TRACE(ctrlZ ? "Ctrl-Z" : "SIGSTOP");
    ScratchCache s;
    s.WriteIndex();
    PtySession session({"-q", s.cache}, s.Options());
    ASSERT_TRUE(session.WaitForPrompt());
    if (ctrlZ)
      session.Send("\x1a");
    else
      session.Signal(SIGSTOP);
    ASSERT_TRUE(WaitUntil([&] { return session.Stopped(); }));
    if (ctrlZ) {
      ExpectTerminalRestored(session);
    } else {
      struct termios shell = session.TerminalSettings();
      shell.c_lflag |= ICANON | ECHO;
      session.SetTerminalSettings(shell);
    }
    session.Signal(SIGCONT);
    ASSERT_TRUE(WaitUntil([&] { return (session.TerminalSettings().c_lflag & ICANON) == 0; }))
        << "key mode not set again";
    session.Send("\x1b");
    RunResult r = session.Finish();
    EXPECT_EQ(r.exitCode, 255);
    ExpectTerminalRestored(session);
  }
}

TEST(PausePty, InterruptDuringThePauseRestoresTheTerminal) {
  const struct {
    const char* name;
    bool viaTerminal;
    int signalNumber;
  } cases[] = {{"Ctrl-C", true, SIGINT}, {"SIGTERM", false, SIGTERM}, {"SIGHUP", false, SIGHUP}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchCache s;
    s.WriteIndex();
    PtySession session({"-q", s.cache}, s.Options());
    ASSERT_TRUE(session.WaitForPrompt());
    if (c.viaTerminal)
      session.Send("\x03");
    else
      session.Signal(c.signalNumber);
    RunResult r = session.Finish();
    EXPECT_EQ(r.signal, c.signalNumber);
    EXPECT_EQ(ListTree(s.work), "");
    ExpectTerminalRestored(session);
  }
}

}  // namespace
