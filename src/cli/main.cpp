#include <cstdio>

int main(int argc, char** argv) {
  std::fprintf(stderr, "usage: tolva-dsp-cli COMMAND ...\n");
  return 1;
}
