// Valedict: the uninstaller's feedback prompt. Its exit code tells the uninstaller whether
// the user chose to go on with the uninstall (0) or closed the prompt otherwise (1).
#include "Application.h"
#include "MainFrm.h"
#include "Os.h"
#include "StartupMarks.h"
#include "ValedictState.h"
#include "WaitFrm.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace kx;
    ui::MarkStartup("main");
    ui::StartGuiProgram();
    ui::Application& application = ui::Application::Instance();

    std::unique_ptr<valedict::TfrmMain> mainForm;
    std::unique_ptr<valedict::TfrmWait> waitForm;
    application.Guarded([&] {
        std::vector<std::string> arguments = os::CommandLineArguments(argc, argv);
        if (!arguments.empty()) arguments.erase(arguments.begin());
        mainForm = std::make_unique<valedict::TfrmMain>(arguments);
        application.SetMainForm(mainForm.get());
    });
    ui::MarkStartup("windows created");
    if (mainForm && !application.Terminated()) {
        mainForm->Show();
        ui::MarkStartup("shown");
        // The wait dialog is first needed when a survey is confirmed, so it is made after the
        // prompt's first paint, before any input can reach the prompt. Its texts come through
        // LanguageFilePath, which the prompt's creation has set. It and the survey are the first
        // users of the common controls, which are loaded late for the same reason.
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        application.Guarded([&] {
            waitForm = std::make_unique<valedict::TfrmWait>(*mainForm);
            valedict::frmWait = waitForm.get();
        });
        application.Run();
    }
    valedict::frmWait = nullptr;
    return valedict::ExitCode;
}
