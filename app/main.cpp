// The program's entry point. The one application object is built before main runs;
// main gives it the terminal and the program's resources, runs its start-up sequence
// and gives the terminal back. There are no command line options: arguments are
// ignored. Without a usable terminal nothing is started and nothing is sent.
#include <cstdio>
#include <memory>
#include <string>

#include "app/downloader_app.h"
#include "platform/system/resources.h"
#include "platform/terminal/terminal_backend.h"
#include "platform/windows/backend.h"
#include "res/program_resources.h"

namespace {

qx::CDownloaderApp theApp;

}  // namespace

int main(int, char**) {
    std::string reason;
    std::unique_ptr<qx::TerminalBackend> terminal = qx::TerminalBackend::Open(reason);
    if (!terminal) {
        std::fprintf(stderr, "%s: %s\n", "qx210-downloader", reason.c_str());
        return 1;
    }
    qx::SetBackend(terminal.get());
    qx::SetResourceDirectory(qx::ProgramResources());

    qx::CWinApp* app = qx::AfxGetApp();
    app->InitInstance();
    const int status = app->ExitInstance();

    qx::SetBackend(nullptr);
    terminal.reset();  // the terminal as it was before
    return status;
}
