// Splitting cost of a typical updater command line (start-up path of three programs).
#include <benchmark/benchmark.h>

#include "CommandLine.h"

static void BM_SplitUpdaterCommandLine(benchmark::State& state) {
  const Utf16String line = Utf8ToUtf16(
      "\"C:\\Program Files\\Quenda\\update.exe\" Quenda.exe \"Quenda 升级\" "
      "http://update.example.com/pkg/update.zip http://www.example.com/download 2.3.1 "
      "\"修复若干问题;提升稳定性;优化界面\"");
  for (auto _ : state) {
    CCommandLine cmd(line.c_str());
    benchmark::DoNotOptimize(cmd.GetToken(cmd.GetCount() - 1));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size() * 2));
}
BENCHMARK(BM_SplitUpdaterCommandLine);
