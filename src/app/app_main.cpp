#include "app/application.h"

int main(int argc, char** argv) {
  return tolva::app::RunApplication(argc, argv);
}
