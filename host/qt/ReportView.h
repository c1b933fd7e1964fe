// The Qt view of a report list control: a table model over the control, a delegate that draws the
// row banding, each cell's own text colour, check boxes and grid lines, and a list widget that
// hands header clicks, mouse presses and keys to the control. It paints only the visible rows,
// so lists of any length stay fluid.
#pragma once

#include <functional>

class QWidget;

namespace qv {

class CReportCtrl;

// Creates the view of `ctrl` as a child of `parent`. A right click or the context-menu key calls
// onContextMenu with the pointer's global screen position (after a right click has selected and
// focused the row under the pointer). The view detaches itself from the control when either is
// destroyed.
QWidget* CreateReportView(CReportCtrl& ctrl, QWidget* parent,
                          std::function<void(int globalX, int globalY)> onContextMenu);

}  // namespace qv
