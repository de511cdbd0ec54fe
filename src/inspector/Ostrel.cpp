// The program body: the units' initialisation in their fixed order, the main form and the message loop,
// then finalisation in reverse.
#include "ConstVars.h"
#include "Main.h"
#include "ResourceIds.h"
#include "SplashScreen.h"
#include "crashreport/jovTypes.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"

// Ostrel's crash reporter runs with the default settings.
constinit const jov::CrashSettings jov::ProgramCrashSettings{};

namespace {
// Initialises the inspector's units on construction and finalises them, in reverse, on destruction.
struct InspectorUnits {
    InspectorUnits() { ConstVarsInitialization(); }
    ~InspectorUnits() { ConstVarsFinalization(); }
};

void RunProgram() {
    fw::Application& app = fw::application();
    InspectorUnits units;
    app.setTitle("Ostrel");
    app.setCursor(1, fw::Cursor(static_cast<HCURSOR>(LoadImageA(app.instance(), MAKEINTRESOURCEA(IDC_FINDER),
                                                                IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE))));
    {
        TOstrelMainForm mainForm;
        app.setMainForm(&mainForm);
        mainForm.show();
        UpdateWindow(mainForm.handle());
        OstrelSettings->SplashForm.reset();
        app.run();
        app.setMainForm(nullptr);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    fw::application().initialize(instance);
    try {
        RunProgram();
    } catch (const fw::EHalt& halt) {
        return halt.exitCode;
    } catch (...) {
        fw::application().handleException(std::current_exception());
        return 1;
    }
    return 0;
}
