// Portico: the launcher of the suite's tools. It reads no command line.
#include "Application.h"
#include "MainFrm.h"
#include "StartupMarks.h"

#include <windows.h>
#include <imm.h>

int main() {
    kx::ui::MarkStartup("main");
    kx::ui::StartGuiProgram();
    // No window of the launcher takes text: an input method would only cost its window and its
    // connection at the first activation. Only before the thread's first window does this hold.
    ImmDisableIME(static_cast<DWORD>(-1));
    kx::ui::Application& app = kx::ui::Application::Instance();
    kx::portico::TfrmMain frmMain;
    kx::ui::MarkStartup("texts applied");
    app.SetMainForm(&frmMain);
    frmMain.Show();
    kx::ui::MarkStartup("shown");
    app.Run();
    kx::portico::frmGetNewVersion.reset();
    return 0;
}
