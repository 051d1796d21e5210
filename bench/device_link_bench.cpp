// Throughput of the protocol core: reassembling and decoding reports, and building frames.
#include <benchmark/benchmark.h>

#include <vector>

#include "device/protocol/command_frame.h"
#include "device/protocol/frame_reassembler.h"
#include "device/protocol/reply_decoder.h"

namespace {

using namespace tolva::device;

// One EQ reply of eight bands per 64-byte report: the heaviest reply of a connect read.
std::vector<std::uint8_t> EqReport() {
  std::vector<std::uint8_t> data = {0, 0, 2, 0, 7};
  for (int band = 0; band < 8; ++band)
    data.insert(data.end(), {0x03, 0xE8, 0x05, 0x50, 0x0E, 0x05});
  const auto frame = BuildReplyFrame(1, 0x06, 0xDD, data);
  return {frame->begin(), frame->end()};
}

void BM_ReassembleAndDecodeEqReport(benchmark::State& state) {
  LinkState link_state;
  std::size_t posted = 0;
  ReplyDecoder decoder(link_state, [&](TargetWindow, Notification) { ++posted; });
  FrameReassembler reassembler;
  const auto report = EqReport();
  for (auto _ : state) {
    reassembler.Append(report);
    reassembler.Drain([&](const ReplyFrame& f) { decoder.Decode(f); });
  }
  benchmark::DoNotOptimize(posted);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * report.size()));
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(posted), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReassembleAndDecodeEqReport);

void BM_BuildEqFrame(benchmark::State& state) {
  const std::uint8_t payload[] = {0, 0, 2, 4, 0x03, 0xE8, 0x05, 0x08, 0x0E, 0x05};
  for (auto _ : state) {
    auto frame = CommandFrame::Build(1, 0x06, 0xBB, payload);
    benchmark::DoNotOptimize(frame);
  }
}
BENCHMARK(BM_BuildEqFrame);

}  // namespace
