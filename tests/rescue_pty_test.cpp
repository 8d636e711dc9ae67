// Collisions answered at the terminal: the pause after "saving as" waits for
// its own key, and ESC there leaves the alternative name unwritten.
#include <gtest/gtest.h>

#include <string>

#include "support/cache_builder.h"
#include "support/pty_session.h"

namespace {

TEST(RescuePty, CollisionPauseIsAnsweredAtTheTerminal) {
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "ESC" : "key");
    ScratchCache c;
    c.Add("M0000001.HTM", "first", "http://host/page.html");
    c.Add("M0000002.HTM", "second", "http://host/page.html");
    c.Add("M0000003.HTM", "third", "http://host/other.html");
    c.WriteIndex();
    PtySession session({"-p", "-q", c.cache}, c.Options());
    ASSERT_TRUE(session.WaitForPrompt(1));
    session.Send(" ");
    ASSERT_TRUE(session.WaitForPrompt(2));
    EXPECT_NE(FromTerminal(session.Output())
                  .find("Already exist file: 'host/page.html'\n"
                        "      => saving as: 'host/page.html.Over0000'\n" +
                        std::string(PtySession::kPrompt)),
              std::string::npos)
        << session.Output();
    session.Send(escape ? "\x1b" : "\x1b[B");
    RunResult r = session.Finish();
    EXPECT_EQ(r.exitCode, escape ? 255 : 0);
    EXPECT_EQ(ReadFile(c.out + "/host/page.html"), "first");
    if (escape) {
      EXPECT_FALSE(Exists(c.out + "/host/page.html.Over0000"));
      EXPECT_FALSE(Exists(c.out + "/host/other.html"));
    } else {
      EXPECT_EQ(ReadFile(c.out + "/host/page.html.Over0000"), "second");
      EXPECT_EQ(ReadFile(c.out + "/host/other.html"), "third");
    }
  }
}

}  // namespace
