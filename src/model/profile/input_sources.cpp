#include "model/profile/input_sources.h"

namespace tolva::model {
namespace {

constexpr int kFallbackSource = 4;

constexpr std::array<InputSource, kInputSources> kSources{{
    {0x51, "opt", false, 0, {1, 2, 1, 2, 3, 3}},
    {0x52, "coax", false, 0, {1, 2, 1, 2, 3, 3}},
    {0x53, "bt", true, 2, {1, 2, 1, 2, 3, 3}},
    {0x54, "aux", false, 0, {1, 2, 1, 2, 3, 3}},
    {0x55, "low", false, 0, {1, 2, 4, 8, 3, 3}},
    {0x56, "hi", true, 4, {1, 2, 4, 8, 3, 3}},
    {0x57, "dmp", false, 0, {1, 2, 1, 2, 3, 3}},
}};

}  // namespace

const InputSource& SourceInfo(int index) {
  return index >= 0 && index < kInputSources ? kSources[index] : kSources[kFallbackSource];
}

int SourceIndexFromCode(int code) {
  for (int i = 0; i < kInputSources; ++i) {
    if (kSources[i].code == code) return i;
  }
  return kFallbackSource;
}

int SourceCode(int index) {
  return SourceInfo(index).code;
}

bool SourceRoutesOnlyTwoInputs(int index) {
  return index == 2 || index == 3;
}

}  // namespace tolva::model
