#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "base/debug_print.h"
#include "base/language_tables.h"

namespace {

// One log line of the kind the command thread writes for every frame.
void BM_DebugPrintWide(benchmark::State& state) {
  QTemporaryDir dir;
  InitConsoleWindow(dir.filePath("save.log").toStdString());
  // The console copy of each line is not what is measured.
  if (std::freopen("/dev/null", "w", stderr) == nullptr) state.SkipWithError("no /dev/null");
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        DebugPrint(L"EQ_Ctrl ch %d band %d freq %d q %.1f gain %.1f\n", 2, 3, 1000, 4.2, -4.5));
  }
  CloseConsoleWindow();
}
BENCHMARK(BM_DebugPrintWide);

void BM_DebugPrintOff(benchmark::State& state) {
  CloseConsoleWindow();
  for (auto _ : state) benchmark::DoNotOptimize(DebugPrint(L"frame %02x\n", 0xAA));
}
BENCHMARK(BM_DebugPrintOff);

// Every placeholder on screen is resolved again after a language switch.
void BM_ResolvePlaceholder(benchmark::State& state) {
  tolva::LanguageTables tables;
  std::string xml = "<L>";
  for (int i = 0; i < 400; ++i) {
    xml += "<Text id=\"${key_" + std::to_string(i) + "}\" value=\"分频{\\n}设置\"/>";
  }
  xml += "</L>";
  tables.LoadXml(xml, "cn_zh");
  for (auto _ : state) benchmark::DoNotOptimize(tables.Resolve("${key_217}"));
}
BENCHMARK(BM_ResolvePlaceholder);

}  // namespace
