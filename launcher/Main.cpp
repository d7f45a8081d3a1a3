// Portico: the launcher of the suite's tools. It reads no command line.
#include "Application.h"
#include "MainFrm.h"

int main() {
    kx::ui::StartGuiProgram();
    kx::ui::Application& app = kx::ui::Application::Instance();
    kx::portico::TfrmMain frmMain;
    app.SetMainForm(&frmMain);
    frmMain.Show();
    app.Run();
    kx::portico::frmGetNewVersion.reset();
    return 0;
}
