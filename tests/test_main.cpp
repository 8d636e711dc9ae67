// The tests never wait on a person's terminal: they run without a controlling
// terminal, so every pause of the code under test returns at once.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (setsid() < 0) {
    // Already a process group leader (started straight from a shell): a child can.
    pid_t child = fork();
    if (child < 0) return 1;
    if (child > 0) {
      int status = 0;
      while (waitpid(child, &status, 0) < 0) {
      }
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    setsid();
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
