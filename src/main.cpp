#include "run/run.h"

int main(int argc, char** argv) {
  return Run(ProgramArguments(argc, argv));
}
