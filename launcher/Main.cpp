// Portico: the launcher of the suite's tools. It reads no command line.
#include "Application.h"
#include "MainFrm.h"
#include "StartupMarks.h"

int main() {
    kx::ui::MarkStartup("main");
    kx::ui::StartGuiProgram();
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
