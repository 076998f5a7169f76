// Reading and appending to the names file, each against the least that doing the same job costs
// (see read_floor.h and AppendFloor below), measured in the same run with interleaved repetitions so
// that a busy machine slows both alike. Prints Google Benchmark's own lines, then a table of medians,
// spreads and ratios.
//
//   bench_recipients                  10,000 and 1,000,000 names, 11 repetitions
//   bench_recipients --smoke          100 names, 2 short repetitions: checks that everything still runs
//   bench_recipients --repetitions=N  any other number of repetitions
// Google Benchmark's own flags (--benchmark_filter=...) work as usual.

#include "name_list.h"
#include "read_floor.h"

#include "common/failure.h"
#include "recipients/code_page.h"
#include "recipients/recipient_file.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Options {
    bool smoke = false;
    int repetitions = 11;
};

struct ReadCase {
    std::size_t names;
    std::size_t lines;
    std::size_t bytes;
    fs::path folder;
};

// The name every append writes: Cyrillic and Latin, as typed into the window.
const wchar_t kAppendedName[] = L"ПК-бухгалтерия-7";
const char kAppendFolder[] = "append";
const char kFloorFile[] = "floor.ini";

fs::path root;

[[noreturn]] void Die(const std::string& what)
{
    std::fprintf(stderr, "bench_recipients: %s\n", what.c_str());
    std::exit(1);
}

void EnterFolder(const fs::path& folder)
{
    if (chdir(folder.c_str()) != 0)
        Die("cannot enter " + folder.string());
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        Die("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void EmptyFile(const char* name)
{
    if (truncate(name, 0) != 0 && errno != ENOENT)
        Die(std::string("cannot empty ") + name);
}

// ---- reading ----

void ReadRecipientsBench(benchmark::State& state, const ReadCase* file)
{
    EnterFolder(file->folder);
    std::size_t delivered = 0;
    const std::function<void(const RecipientName&)> deliver = [&delivered](const RecipientName& name) {
        benchmark::DoNotOptimize(name.data());
        ++delivered;
    };
    for (auto _ : state) {
        delivered = 0;
        ReadRecipients(deliver);
    }
    if (delivered != file->names)
        state.SkipWithError("ReadRecipients delivered a different number of names");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file->bytes));
    state.counters["names/s"] = benchmark::Counter(static_cast<double>(state.iterations() * file->names),
                                                   benchmark::Counter::kIsRate);
}

void ReadFloorBench(benchmark::State& state, const ReadCase* file)
{
    EnterFolder(file->folder);
    const std::function<void(const std::wstring&)> deliver = [](const std::wstring& line) {
        benchmark::DoNotOptimize(line.data());
    };
    long lines = 0;
    for (auto _ : state)
        lines = bench::ReadLinesFloor("net_send.ini", deliver);
    if (lines != static_cast<long>(file->lines))
        state.SkipWithError("the floor split a different number of lines");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file->bytes));
    // Per name, not per line: the same unit as ReadRecipients, for the same file.
    state.counters["names/s"] = benchmark::Counter(static_cast<double>(state.iterations() * file->names),
                                                   benchmark::Counter::kIsRate);
}

// ---- appending ----

std::string AppendedBytes()
{
    return WideToAnsi(kAppendedName) + "\r\n";
}

void AppendRecipientBench(benchmark::State& state)
{
    EnterFolder(root / kAppendFolder);
    EmptyFile("net_send.ini");
    const RecipientName name(kAppendedName);
    for (auto _ : state)
        AppendRecipient(name);
}

// A bare open for appending, one write of the same bytes, close.
void AppendFloor(const std::string& bytes)
{
    const int fd = open(kFloorFile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd == -1)
        Die("cannot open the floor's file");
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        Die("cannot write the floor's file");
    close(fd);
}

void AppendFloorBench(benchmark::State& state)
{
    EnterFolder(root / kAppendFolder);
    EmptyFile(kFloorFile);
    const std::string bytes = AppendedBytes();
    for (auto _ : state)
        AppendFloor(bytes);
}

// ---- set-up and checks ----

ReadCase PrepareRead(std::size_t names)
{
    ReadCase file;
    file.names = names;
    file.folder = root / ("names-" + std::to_string(names));
    fs::create_directories(file.folder);
    const std::string bytes = bench::MakeNameList(names);
    file.bytes = bytes.size();
    file.lines = bench::CountLines(bytes);
    WriteFile(file.folder / "net_send.ini", bytes);

    // Both readers must see the file the way the generator meant it before their speed means anything.
    EnterFolder(file.folder);
    std::size_t got = 0;
    ReadRecipients([&got](const RecipientName&) { ++got; });
    if (got != names)
        Die("ReadRecipients read " + std::to_string(got) + " names, not " + std::to_string(names));
    const long lines = bench::ReadLinesFloor("net_send.ini", [](const std::wstring&) {});
    if (lines != static_cast<long>(file.lines))
        Die("the floor read " + std::to_string(lines) + " lines, not " + std::to_string(file.lines));
    return file;
}

void CheckAppend()
{
    fs::create_directories(root / kAppendFolder);
    EnterFolder(root / kAppendFolder);
    EmptyFile("net_send.ini");
    EmptyFile(kFloorFile);
    AppendRecipient(kAppendedName);
    AppendRecipient(kAppendedName);
    AppendFloor(AppendedBytes());
    AppendFloor(AppendedBytes());
    if (ReadFile("net_send.ini") != ReadFile(kFloorFile))
        Die("AppendRecipient and its floor wrote different bytes");
}

// ---- the summary ----

// Whether a run stopped before timing anything worth keeping. Google Benchmark 1.8 replaced the flag
// Run::error_occurred with Run::skipped (a skip with or without an error); the overload that compiles is
// the one for the library at hand, and the first wins where both would.
template <typename RunRecord>
auto CutShort(const RunRecord& run, int) -> decltype(static_cast<bool>(run.skipped))
{
    return static_cast<bool>(run.skipped);
}
template <typename RunRecord>
auto CutShort(const RunRecord& run, long) -> decltype(static_cast<bool>(run.error_occurred))
{
    return static_cast<bool>(run.error_occurred);
}

// Collects every repetition's time per iteration, whatever order the interleaving ran them in.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || CutShort(run, 0) || run.iterations == 0)
                continue;
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            seconds_[run.run_name.function_name].push_back(seconds);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const std::vector<double>* Times(const std::string& name) const
    {
        const auto found = seconds_.find(name);
        return found == seconds_.end() || found->second.empty() ? nullptr : &found->second;
    }

private:
    std::map<std::string, std::vector<double>> seconds_;
};

struct Spread {
    double median;
    double low;
    double high;
};

Spread SpreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string Percent(const Spread& s)
{
    char text[64];
    std::snprintf(text, sizeof text, "-%.0f%%/+%.0f%%", 100 * (1 - s.low / s.median),
                  100 * (s.high / s.median - 1));
    return text;
}

std::string Duration(const Spread& s)
{
    char text[64];
    if (s.median < 1e-3)
        std::snprintf(text, sizeof text, "%10.2f us %-11s", s.median * 1e6, Percent(s).c_str());
    else
        std::snprintf(text, sizeof text, "%10.3f ms %-11s", s.median * 1e3, Percent(s).c_str());
    return text;
}

// One row of the table; the rows start with "| " so that scripts/bench.sh can gather them. A goal of 0
// marks a figure kept for information.
void PrintRow(const std::string& what, const Spread& subject, const Spread& floor, const std::string& speed,
              double goal, int repetitions)
{
    const double ratio = subject.median / floor.median;
    char verdict[32] = "information";
    if (goal > 0)
        std::snprintf(verdict, sizeof verdict, "<= %.1f %s", goal, ratio <= goal ? "met    " : "NOT met");
    std::printf("| %-34s | %s | %s | %s | %5.2f | %-14s | %2d |\n", what.c_str(), Duration(subject).c_str(),
                Duration(floor).c_str(), speed.c_str(), ratio, verdict, repetitions);
}

bool Summarize(const CollectingReporter& reporter, const std::vector<ReadCase>& reads)
{
    std::printf("\n| benchmark                          | median (spread) of the program | median (spread) of the floor   | "
                "speed: program / floor                           | ratio | goal           | n  |\n");
    bool complete = true;
    for (const ReadCase& file : reads) {
        const std::string suffix = "/" + std::to_string(file.names);
        const auto* subject = reporter.Times("read/ReadRecipients" + suffix);
        const auto* floor = reporter.Times("read/floor" + suffix);
        if (subject == nullptr || floor == nullptr) {
            complete = false;
            continue;
        }
        const Spread s = SpreadOf(*subject);
        const Spread f = SpreadOf(*floor);
        char speed[128];
        const double mb = static_cast<double>(file.bytes) / 1e6;
        const double mnames = static_cast<double>(file.names) / 1e6;
        std::snprintf(speed, sizeof speed, "%6.1f / %6.1f MB/s, %5.2f / %5.2f M names/s", mb / s.median,
                      mb / f.median, mnames / s.median, mnames / f.median);
        PrintRow("read " + std::to_string(file.names) + " names (native)", s, f, speed, 1.5,
                 static_cast<int>(subject->size()));
    }
    const auto* subject = reporter.Times("append/AppendRecipient");
    const auto* floor = reporter.Times("append/floor");
    if (subject != nullptr && floor != nullptr) {
        const Spread s = SpreadOf(*subject);
        const Spread f = SpreadOf(*floor);
        char speed[128];
        std::snprintf(speed, sizeof speed, "%7.0f / %7.0f appends/s %18s", 1 / s.median, 1 / f.median, "");
        // No goal: the lock and the last-byte check that keep concurrent appenders from joining two
        // names are system calls the floor does not make, and a click can spare them.
        PrintRow("append one name (native)", s, f, speed, 0, static_cast<int>(subject->size()));
    } else {
        complete = false;
    }
    return complete;
}

Options TakeOwnOptions(int& argc, char** argv)
{
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            options.smoke = true;
            options.repetitions = 2;
        } else if (std::strncmp(argv[i], "--repetitions=", 14) == 0) {
            options.repetitions = std::max(1, std::atoi(argv[i] + 14));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = TakeOwnOptions(argc, argv);

    // Interleaved repetitions: a burst of load from elsewhere then hits the program and its floor alike.
    std::vector<char*> args(argv, argv + argc);
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int benchmarkArgc = static_cast<int>(args.size());
    benchmark::Initialize(&benchmarkArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchmarkArgc, args.data()))
        return 2;

    char folderTemplate[] = "net_send-bench-XXXXXX";
    const fs::path pattern = fs::temp_directory_path() / folderTemplate;
    std::string folder = pattern.string();
    if (mkdtemp(&folder[0]) == nullptr)
        Die("cannot make a temporary folder");
    root = folder;

    int status = 0;
    try {
        std::vector<ReadCase> reads;
        const std::vector<std::size_t> sizes = options.smoke ? std::vector<std::size_t>{100}
                                                             : std::vector<std::size_t>{10000, 1000000};
        for (const std::size_t names : sizes)
            reads.push_back(PrepareRead(names));
        CheckAppend();

        const auto tune = [&options](benchmark::internal::Benchmark* b) {
            b->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(options.repetitions);
            b->ReportAggregatesOnly(false);
            if (options.smoke)
                b->MinTime(0.01);
        };
        for (const ReadCase& file : reads) {
            const std::string suffix = "/" + std::to_string(file.names);
            tune(benchmark::RegisterBenchmark(("read/ReadRecipients" + suffix).c_str(), ReadRecipientsBench, &file));
            tune(benchmark::RegisterBenchmark(("read/floor" + suffix).c_str(), ReadFloorBench, &file));
        }
        tune(benchmark::RegisterBenchmark("append/AppendRecipient", AppendRecipientBench));
        tune(benchmark::RegisterBenchmark("append/floor", AppendFloorBench));

        CollectingReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        const bool complete = Summarize(reporter, reads);
        // A filter may leave some out on purpose; in the smoke run every one of them must have run.
        if (options.smoke && !complete)
            status = 1;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "bench_recipients: a Failure was thrown\n");
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return status;
}
