// The main window's target data: loading the latest versions of the target items.
#include "ui/MainWindow.h"

namespace qv {

// Placeholder until the target load is built: nothing is loaded.
bool CQuorvelDlg::GetTargetPackageData() {
    return false;
}

}  // namespace qv
