// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CBorealixApp.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ProductViews.h"
#include "app/QuitOnTerminate.h"
#include "hw/DriverChannel.h"
#include "memory/dump/CBrxMemoryView.h"
#include "platform/Seam.h"
#include "platform/route/MachineSelection.h"
#include "platform/trust/RuntimeDirectory.h"
#include "support/CliTest.h"
#include "support/DriverStop.h"
#include "support/FakeSystemServices.h"

// Two instances of the program, each on a machine file of its own, with one
// TMPDIR. Each instance is this test program run again with
// TARVOLENT_SCRIPTED_INSTANCE=MACHINE: the real application, windows and
// driver, offscreen, taking commands on stdin and answering on stdout.
namespace {

namespace fs = std::filesystem;

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

// One command line of the test, carried out on the instance's active
// memory window; the answer line.
std::string Perform(CBorealixApp& app, const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    auto* child = app.MainFrame()->ActiveChildFrame();
    auto* view = child ? qobject_cast<CBrxMemoryView*>(child->GetActiveView()) : nullptr;
    if (command == "dump") {
        uint32_t address = 0, size = 0;
        words >> std::hex >> address >> size;
        app.OpenMemoryDump(address, size);
        return "ok";
    }
    if (command == "quit") {
        QCoreApplication::quit();
        return "ok";
    }
    if (!view) return "no memory window";
    if (command == "type") {  // hex digits at the caret
        std::string digits;
        words >> digits;
        view->HexWindow()->setFocus();
        QTest::keyClicks(view->HexWindow(), QString::fromStdString(digits));
        return "ok";
    }
    if (command == "write") {
        view->WriteButton()->click();
        return "ok";
    }
    if (command == "state") {  // the window's bytes, its marks, and the machine's memory
        uint8_t data[8] = {}, marks[2] = {}, memory[8] = {};
        HexEditModel& hex = view->HexWindow()->Model();
        hex.ReadData(data, 0, sizeof(data));
        hex.ReadModifiedMap(marks, 0, 8);
        ReadPhysicalMemory(hex.BaseAddress(), memory, sizeof(memory));
        return "data " + Hex(data, 8) + " marks " + Hex(marks, 1) + " memory " + Hex(memory, 8) +
               " files " + view->Model().TempBase();
    }
    return "unknown command";
}

int RunScriptedInstance(const std::string& machine) {
    std::string error;
    if (!SelectMachine(machine, &error)) return 2;
    // The real program directory (for its driver), every other service native.
    FakeSystemServices system;
    system.moduleFileName = std::string(TARVOLENT_BIN_DIR) + "/tarvolent";
    system.tempPath = SystemServices::Native().TempPath();
    ScopedOverride<SystemServices> systemOverride(system);

    static int argc = 1;
    static char name[] = "tarvolent";
    static char* argv[] = {name, nullptr};
    CBorealixApp app(argc, argv, ProductViews());
    QuitOnTerminate quitOnTerminate;
    if (app.InitInstance() != CBorealixApp::Startup::Running) return 3;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        ssize_t got = read(STDIN_FILENO, buffer, sizeof(buffer) - 1);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        std::istringstream lines(std::string(buffer, static_cast<size_t>(got)));
        for (std::string line; std::getline(lines, line);) {
            std::string answer = Perform(app, line);
            QCoreApplication::processEvents();
            std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
        }
    });
    int status = QApplication::exec();
    app.ExitInstance();
    return status;
}

const bool kScripted = [] {
    if (const char* machine = std::getenv("TARVOLENT_SCRIPTED_INSTANCE")) {
        std::exit(RunScriptedInstance(machine));  // its windows gone, its folder goes at exit
    }
    return false;
}();

// The test's side of one instance.
class Instance {
  public:
    Instance(const std::string& machine, const std::string& tmpdir, const std::string& xdg)
        : machine_(machine) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        const std::string program = fs::read_symlink("/proc/self/exe").string();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            setenv("TARVOLENT_SCRIPTED_INSTANCE", machine.c_str(), 1);
            setenv("TMPDIR", tmpdir.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", xdg.c_str(), 1);  // else Qt makes its own in TMPDIR
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Instance() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            Wait();
        }
        close(input_);
        close(output_);
        // The driver it started stays, as the program's does: stopped here.
        StopMachineDriver(machine_);
    }

    // Sends one command; its answer, or "" when none came in time.
    std::string Ask(const std::string& command) {
        const std::string line = command + "\n";
        if (write(input_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return {};
        std::string answer;
        char c;
        for (;;) {
            pollfd ready{output_, POLLIN, 0};
            if (poll(&ready, 1, 30000) != 1 || read(output_, &c, 1) != 1) return {};
            if (c == '\n') return answer;
            answer += c;
        }
    }
    void Signal(int signalNumber) { kill(pid_, signalNumber); }
    // The exit status, or -1 when it did not end normally in time.
    int Wait() {
        for (int i = 0; i < 1000 && !status_; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            } else {
                usleep(20000);
            }
        }
        return status_.value_or(-1);
    }

  private:
    std::string machine_;
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::optional<int> status_;
};

std::string MachineFilled(const fs::path& path, const char* fill) {
    std::ofstream(path)
        << R"({"functions": [], "memory": [{"base": "0x1000", "size": "0x100", "fill": ")" << fill
        << R"("}]})";
    return path.string();
}

TEST(TwoInstances, OnOneTmpdirEachKeepsItsOwnDumpsMarksAndWritesAndLeavesNothing) {
    const fs::path base = fs::path(RuntimeDirectory()) / "two-instances";
    fs::remove_all(base);
    fs::create_directories(base / "tmp");
    fs::create_directories(base / "xdg");
    fs::permissions(base / "xdg", fs::perms::owner_all);
    const std::string tmpdir = (base / "tmp").string();
    const std::string xdg = (base / "xdg").string();
    Instance a(MachineFilled(base / "a.json", "0xAA"), tmpdir, xdg);
    Instance b(MachineFilled(base / "b.json", "0xBB"), tmpdir, xdg);

    ASSERT_EQ(a.Ask("dump 1000 10"), "ok");
    ASSERT_EQ(b.Ask("dump 1000 10"), "ok");  // once truncated the first one's data
    ASSERT_EQ(a.Ask("type 11"), "ok");       // once marked the second one's map
    ASSERT_EQ(b.Ask("write"), "ok");         // once wrote the first one's mark
    auto state = [](Instance& instance) {
        std::string answer = instance.Ask("state");
        return answer.substr(0, answer.find(" files "));
    };
    EXPECT_EQ(state(a), "data 11aaaaaaaaaaaaaa marks 01 memory aaaaaaaaaaaaaaaa");
    EXPECT_EQ(state(b), "data bbbbbbbbbbbbbbbb marks 00 memory bbbbbbbbbbbbbbbb");
    ASSERT_EQ(a.Ask("write"), "ok");
    ASSERT_EQ(b.Ask("type 22"), "ok");
    ASSERT_EQ(b.Ask("write"), "ok");
    EXPECT_EQ(state(a), "data 11aaaaaaaaaaaaaa marks 00 memory 11aaaaaaaaaaaaaa");
    EXPECT_EQ(state(b), "data 22bbbbbbbbbbbbbb marks 00 memory 22bbbbbbbbbbbbbb");

    // The same names, in folders of their own that nobody else may read.
    auto files = [](Instance& instance) {
        const std::string answer = instance.Ask("state");
        return answer.substr(answer.find(" files ") + 7);
    };
    const std::string filesA = files(a);
    const std::string filesB = files(b);
    EXPECT_EQ(fs::path(filesA).filename(), "Memory1");
    EXPECT_EQ(fs::path(filesB).filename(), "Memory1");
    EXPECT_NE(fs::path(filesA).parent_path(), fs::path(filesB).parent_path());
    for (const std::string& files : {filesA, filesB}) {
        EXPECT_EQ(fs::path(files).parent_path().parent_path(), tmpdir);
        EXPECT_EQ(fs::status(fs::path(files).parent_path()).permissions(), fs::perms(0700));
        EXPECT_EQ(fs::status(files + ".tmp").permissions(), fs::perms(0600));
        EXPECT_EQ(fs::status(files + "map.tmp").permissions(), fs::perms(0600));
    }

    // One ends as a closed window does, the other on SIGTERM: nothing stays.
    EXPECT_EQ(a.Ask("quit"), "ok");
    EXPECT_EQ(a.Wait(), 0);
    b.Signal(SIGTERM);
    EXPECT_EQ(b.Wait(), 0);
    EXPECT_TRUE(fs::is_empty(tmpdir)) << fs::directory_iterator(tmpdir)->path();
}

}  // namespace
