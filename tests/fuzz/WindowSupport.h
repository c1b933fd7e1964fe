// A main window for the harnesses of the list files: made once per process, over an install
// directory and a settings store in the harness's own directory.
#pragma once

#include <cstdlib>
#include <utility>
#include <vector>

#include "app/AppValues.h"
#include "app/Settings.h"
#include "host/headless/HeadlessHost.h"
#include "tests/fuzz/FuzzSupport.h"
#include "ui/MainWindow.h"

namespace qvfuzz {

struct Window {
    Window() {
        setenv("XDG_CONFIG_HOME", WorkDir().c_str(), 1);
        qv::AppValues app;
        app.installDir = WorkDir();
        app.provisionalInstallDir = app.installDir;
        app.browseDir = app.installDir + "/Temp";
        app.compareDir = app.installDir + "/Temp1";
        qv::SetAppValues(app);
        window = std::make_unique<qv::CQuorvelDlg>(host);
        host.ShowModeless(*window);
    }
    qv::HeadlessHost host;
    std::unique_ptr<qv::CQuorvelDlg> window;
};

inline Window& TheWindow() {
    static Window w;
    w.host.ClearBoxes();
    return w;
}

}  // namespace qvfuzz
