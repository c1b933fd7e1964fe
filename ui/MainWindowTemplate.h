// The layouts of the main window and its About box, and the result list's context menu.
#pragma once

#include <string>
#include <vector>

#include "host/Host.h"
#include "ui/DialogTemplate.h"

namespace qv {

// The main window: 635 x 466 dialog units, every control addressed by the ids of MainWindowIds.h,
// each labelled edit box and option list with its label to the left.
DialogTemplate MainWindowTemplate();

// The About box: the program's name, its long title, its version, its icon and OK.
DialogTemplate AboutTemplate();

// The context menu of the result list (menu resource 2500), in display order.
std::vector<MenuEntry> ResultListMenu();

// The entry "&About Quorvel..." the main window adds to its system menu.
inline const std::string kAboutMenuText = "&About Quorvel...";

}  // namespace qv
