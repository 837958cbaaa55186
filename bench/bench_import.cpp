// Importing a model of 200,000 faces in 10 parts on the OpenGL device, headless: the file
// read, smoothed, put into vertex buffers and the first frame drawn. Each sample runs in a
// fresh process, so that the figure is the first import a user waits for, with nothing
// warm, and its peak memory is the process's own; the median of several samples is the
// figure. A second benchmark imports the model six times into one scene: no later import
// may cost much more than the second (the first carries the process's one-off costs). A third
// opens a scene of eight characters whose 320 pictures each decode to 256 MiB: the textures'
// one budget keeps its peak memory low.

#include "GridModel.h"
#include "graphics/CDirectXGraphics.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "platform/opengl/CEglWindow.h"
#include "platform/opengl/COpenGLDirect3D.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

constexpr int Parts = 10;
constexpr int QuadsPerSide = 142;                  // 10 x 20,164 faces
constexpr char WriteModelMode[] = "--write-model"; // the model's path
constexpr char ImportMode[] = "--import";          // the number of imports, the model's path
constexpr char SceneMode[] = "--textured-scene";   // the models' paths
constexpr int Samples = 5;

// What a child process measured.
struct ChildRun {
    double startMegabytes = 0.0;          // resident before the first import
    double loadedMegabytes = 0.0;         // ru_maxrss once the first import returned
    double peakMegabytes = 0.0;           // ru_maxrss at the end, first frames included
    double deleteSeconds = 0.0;           // deleting the first character afterwards
    std::vector<double> importSeconds;    // each import with its first frame
    std::vector<double> importCpuSeconds; // the same on every thread of the process
};

// A name of its own, so that two runs at once do not write one file; the children are
// given it.
std::string ModelPath() {
    return (std::filesystem::temp_directory_path() /
            ("sorvendal_bench_import_" + std::to_string(getpid()) + ".mqo"))
        .string();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// On a loaded machine the processor time varies less than the time on the clock.
double ProcessCpuSeconds() {
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string ReadUntilClosed(int descriptor) {
    std::string text;
    char buffer[256];
    ssize_t count = 0;
    while ((count = read(descriptor, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text;
}

// What ImportInChild prints.
ChildRun ParseChildOutput(const std::string& text) {
    ChildRun run;
    std::istringstream values(text);
    values >> run.startMegabytes >> run.loadedMegabytes >> run.deleteSeconds;
    for (double seconds = 0.0, cpu = 0.0; values >> seconds >> cpu;) {
        run.importSeconds.push_back(seconds);
        run.importCpuSeconds.push_back(cpu);
    }
    return run;
}

// Runs this program again with the arguments and reads what it prints; the child's own peak
// memory comes from its resource usage.
std::optional<ChildRun> RunChild(const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe(output) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::vector<char*> argv{const_cast<char*>("/proc/self/exe")};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    const std::string text = ReadUntilClosed(output[0]);
    close(output[0]);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    ChildRun run = ParseChildOutput(text);
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return run;
}

// Written by a child, so that the model text never raises the benchmark process's memory,
// which the children's peak would inherit.
bool WriteModel(const std::string& path) {
    std::ofstream(path, std::ios::binary) << MakeGridModelText(Parts, QuadsPerSide);
    return std::filesystem::file_size(path) > 0;
}

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    double size = 0.0;
    double resident = 0.0;
    statm >> size >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Reading a pixel back waits for the frame that the driver may still have queued.
void DrawFrame(CDirectXGraphics& graphics) {
    std::vector<std::uint8_t> pixel;
    graphics.Render(nullptr);
    graphics.GetDevice()->ReadBackBuffer(1, 1, pixel);
}

// Runs `measure` on the OpenGL device, headless, once the empty scene is drawn as the program
// draws it before anyone imports; 1 without a device.
int WithGraphics(int argc, char** argv,
                 const std::function<int(CDirectXGraphics& graphics)>& measure) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // fonts need it
    std::setlocale(LC_NUMERIC, "C");         // the parent reads the figures with a point
    RegisterOpenGLDirect3D();
    CEglWindow window(1024, 768);
    CDirectXGraphics graphics(&window);
    if (graphics.GetDevice() == nullptr) {
        return 1;
    }
    DrawFrame(graphics);
    return measure(graphics);
}

// Prints the memory resident before the first import, the peak once it returned, the time
// of deleting the first character, then the time and the processor time of each import.
int ImportInChild(CDirectXGraphics& graphics, int imports, const std::string& modelPath) {
    const std::string path = Mbcs::FromUtf8(modelPath).value();
    const double startMegabytes = ResidentMegabytes();
    double loadedMegabytes = 0.0;
    std::vector<std::pair<double, double>> seconds;
    for (int i = 0; i < imports; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = ProcessCpuSeconds();
        if (!graphics.ImportCharacter(path)) {
            return 1;
        }
        loadedMegabytes = i == 0 ? PeakMegabytes() : loadedMegabytes;
        DrawFrame(graphics);
        seconds.emplace_back(SecondsSince(start), ProcessCpuSeconds() - startCpu);
        // Hidden, so that every import's frame draws only the new character.
        graphics.GetCharacter(0)->m_bShown = false;
    }
    const auto start = std::chrono::steady_clock::now();
    graphics.DeleteCharacter(0);
    std::printf("%.3f %.3f %.9f", startMegabytes, loadedMegabytes, SecondsSince(start));
    for (const auto& [wall, cpu] : seconds) {
        std::printf(" %.9f %.9f", wall, cpu);
    }
    std::printf("\n");
    return 0;
}

// Imports the models as one scene and draws it: prints the memory resident before, the peak
// once they are imported, no deletion, then the time and the processor time of it all.
int OpenSceneInChild(CDirectXGraphics& graphics, const std::vector<std::string>& models) {
    const double startMegabytes = ResidentMegabytes();
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = ProcessCpuSeconds();
    for (const std::string& model : models) {
        if (!graphics.ImportCharacter(Mbcs::FromUtf8(model).value())) {
            return 1;
        }
    }
    const double loadedMegabytes = PeakMegabytes();
    DrawFrame(graphics);
    std::printf("%.3f %.3f 0 %.9f %.9f\n", startMegabytes, loadedMegabytes, SecondsSince(start),
                ProcessCpuSeconds() - startCpu);
    return 0;
}

// A run-length coded PSD of 240 bytes that decodes to 8192 x 8192 black pixels: its header,
// then zeros, which the decoder reads as runs of zeros to the end.
std::string BlackPsd() {
    // Signature and version; 3 channels of 8192 x 8192, 8 bits, RGB; no mode data, resources
    // or layers; run-length coded.
    const std::string header = std::string("8BPS\0\1\0\0\0\0\0\0", 12) +
                               std::string("\0\3\0\0\x20\0\0\0\x20\0\0\x08\0\3", 14) +
                               std::string(12, '\0') + std::string("\0\1", 2);
    return header + std::string(240 - header.size(), '\0');
}

// Writes eight models, each of 40 materials that name 40 pictures of their own in the program's
// TEXTURE folder, below `folder` and `textures` (a name in that TEXTURE folder); their paths.
std::vector<std::string> WriteTexturedScene(const std::filesystem::path& folder,
                                            const std::string& textures) {
    constexpr int Characters = 8;
    constexpr int Materials = 40;
    std::filesystem::create_directories(std::filesystem::path(GetProgramFolder()) / "TEXTURE" /
                                        textures);
    std::vector<std::string> models;
    for (int character = 0; character < Characters; ++character) {
        std::string materials;
        std::string faces;
        for (int material = 0; material < Materials; ++material) {
            const std::string picture =
                "c" + std::to_string(character) + "m" + std::to_string(material) + ".psd";
            std::ofstream(std::filesystem::path(GetProgramFolder()) / "TEXTURE" / textures /
                          picture)
                << BlackPsd();
            materials += "\t\"m\" tex(\"" + textures + "\\" + picture + "\")\n";
            faces += "\t\t3 V(0 1 2) M(" + std::to_string(material) + ") UV(0 0 1 0 0 1)\n";
        }
        models.push_back((folder / ("c" + std::to_string(character) + ".mqo")).string());
        std::ofstream(models.back())
            << "Metasequoia Document\nFormat Text Ver 1.0\nMaterial " << Materials << " {\n"
            << materials << "}\nObject \"p\" {\n\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n"
            << "\t}\n\tface " << Materials << " {\n"
            << faces << "\t}\n}\n";
    }
    return models;
}

std::optional<ChildRun> RunImports(benchmark::State& state, int imports) {
    std::optional<ChildRun> run = RunChild({ImportMode, std::to_string(imports), ModelPath()});
    if (!run || static_cast<int>(run->importSeconds.size()) != imports) {
        state.SkipWithError("the import did not run");
        return std::nullopt;
    }
    return run;
}

// The figures of a child's first import: its time, its processor time and the memory.
void SetFirstImport(benchmark::State& state, const ChildRun& run) {
    state.SetIterationTime(run.importSeconds.front());
    state.counters["cpu_ms"] = run.importCpuSeconds.front() * 1e3;
    state.counters["peak_MB"] = run.peakMegabytes;
    state.counters["load_growth_MB"] = run.loadedMegabytes - run.startMegabytes;
}

void BM_FirstImport(benchmark::State& state) {
    for (auto _ : state) {
        const std::optional<ChildRun> run = RunImports(state, 1);
        if (!run) {
            return;
        }
        SetFirstImport(state, *run);
        state.counters["frame_growth_MB"] = run->peakMegabytes - run->startMegabytes;
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(ModelPath())) / 1e6;
}
BENCHMARK(BM_FirstImport)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(Samples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_SixthImport(benchmark::State& state) {
    for (auto _ : state) {
        const std::optional<ChildRun> run = RunImports(state, 6);
        if (!run) {
            return;
        }
        const double first = run->importSeconds.front();
        const double second = run->importSeconds[1];
        const double sixth = run->importSeconds.back();
        // A list that copies its characters shows worst where it grows (the fifth import).
        const double slowest =
            *std::max_element(run->importSeconds.begin() + 2, run->importSeconds.end());
        state.SetIterationTime(sixth);
        state.counters["first_ms"] = first * 1e3;
        state.counters["second_ms"] = second * 1e3;
        state.counters["sixth_per_second"] = sixth / second;
        state.counters["slowest_per_second"] = slowest / second;
        state.counters["delete_ms"] = run->deleteSeconds * 1e3;
    }
}
BENCHMARK(BM_SixthImport)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(Samples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_OpenTexturedScene(benchmark::State& state) {
    const std::string name = "sorvendal_bench_scene_" + std::to_string(getpid());
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(folder);
    std::vector<std::string> arguments = {SceneMode};
    for (const std::string& model : WriteTexturedScene(folder, name)) {
        arguments.push_back(model);
    }
    for (auto _ : state) {
        const std::optional<ChildRun> run = RunChild(arguments);
        if (!run || run->importSeconds.size() != 1) {
            state.SkipWithError("the scene did not open");
            break;
        }
        SetFirstImport(state, *run);
    }
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(std::filesystem::path(GetProgramFolder()) / "TEXTURE" / name);
}
BENCHMARK(BM_OpenTexturedScene)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], WriteModelMode) == 0) {
        return WriteModel(argv[2]) ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], ImportMode) == 0) {
        const int imports = std::atoi(argv[2]);
        const std::string model = argv[3];
        return WithGraphics(argc, argv, [&](CDirectXGraphics& graphics) {
            return ImportInChild(graphics, imports, model);
        });
    }
    if (argc > 2 && std::strcmp(argv[1], SceneMode) == 0) {
        const std::vector<std::string> models(argv + 2, argv + argc);
        return WithGraphics(argc, argv, [&](CDirectXGraphics& graphics) {
            return OpenSceneInChild(graphics, models);
        });
    }
    if (!RunChild({WriteModelMode, ModelPath()})) {
        std::fprintf(stderr, "the model file could not be written\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(ModelPath());
    return 0;
}
