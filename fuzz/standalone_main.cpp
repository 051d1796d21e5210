// Drives a libFuzzer entry point without libFuzzer: every file of the corpus directories, then
// N deterministic mutations of them (bit flips, truncations, random bytes).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  std::vector<std::vector<std::uint8_t>> corpus;
  for (int i = 2; i < argc; ++i) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i], ec)) {
      std::ifstream in(entry.path(), std::ios::binary);
      corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  for (const auto& input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());
  if (corpus.empty()) corpus.emplace_back();
  std::mt19937 rng(1);
  for (long r = 0; r < runs; ++r) {
    std::vector<std::uint8_t> input = corpus[rng() % corpus.size()];
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 4) {
        case 0:
          if (!input.empty()) input[rng() % input.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
          break;
        case 1:
          if (!input.empty()) input.resize(rng() % input.size());
          break;
        case 2:
          if (input.size() < 512) input.insert(input.begin() + static_cast<long>(rng() % (input.size() + 1)), static_cast<std::uint8_t>(rng()));
          break;
        default:
          if (!input.empty()) input[rng() % input.size()] = static_cast<std::uint8_t>(rng());
          break;
      }
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  return 0;
}
