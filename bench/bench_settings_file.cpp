// Writing the settings at exit over a large settings file: every key the
// window keeps, in one atomic replace. The cost grows with the file once,
// not once per key.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "shell/settings.h"

namespace {

// `megabytes` of short lines of another program's section before the
// [Setting] section: the most lines, so the most work per byte.
std::string largeSettingsText(int megabytes)
{
    std::string text = "[Other]\r\n";
    for (int n = 0; text.size() < std::size_t(megabytes) << 20; ++n)
        text += "K" + std::to_string(n) + "=v\r\n";
    return text + "[Setting]\r\nTime1=5\r\nTIVKA_URL=http://x/\r\n";
}

void BM_SaveSettingsOverLargeFile(benchmark::State& state)
{
    char folderTemplate[] = "/tmp/tivka-bench-XXXXXX";
    if (!mkdtemp(folderTemplate))
        throw std::runtime_error("cannot make a temporary folder");
    const std::string path = std::string(folderTemplate) + "/tivka.INI";
    const std::string text = largeSettingsText(int(state.range(0)));
    const tivka::Settings settings;
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        state.ResumeTiming();
        try {
            tivka::SaveSettings(path, settings);
        } catch (const std::runtime_error& error) {
            state.SkipWithError(error.what());
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
    std::filesystem::remove_all(folderTemplate);
}
BENCHMARK(BM_SaveSettingsOverLargeFile)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
