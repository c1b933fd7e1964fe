// A dialog model rendered into a QDialog: one widget per control of the template, placed by its
// rectangle in dialog units, kept in step with the model's state, and feeding the user's input
// back to the model through the host's message queue.
#pragma once

#include <QDialog>
#include <QKeySequence>
#include <functional>
#include <map>
#include <vector>

#include "host/qt/QtHost.h"
#include "ui/Dialog.h"

class QToolButton;

namespace qv {

class DialogWindow : public QDialog, public DialogView {
    Q_OBJECT
public:
    // A window for the dialog, made a child window of parent (which may be null). A modal window
    // is run with exec() by the host; a modeless one is shown and left running.
    DialogWindow(QtHost& host, Dialog& dialog, QWidget* parent, bool modal);
    ~DialogWindow() override;

    // The dialog shown, or nullptr once detached.
    Dialog* dialog() const { return dialog_; }
    bool runsModal() const { return modal_; }
    const DialogBaseUnits& baseUnits() const { return units_; }
    // The widget of a control id (labels have none), or nullptr.
    QWidget* Control(int id) const;
    // The widget of the template's control at this index (labels included), or nullptr.
    QWidget* WidgetAt(size_t index) const;
    // The window's size for the template at its font: the smallest size of a resizable window.
    QSize templateSize() const { return baseSize_; }
    // The key under which the window's size and position are kept (resizable windows only).
    std::string PlacementKey() const;
    // The button that opens the window menu (the system menu entries of the dialog).
    QToolButton* WindowMenuButton() const { return menuButton_; }

    // Forgets the dialog: no model access after this.
    void Detach();
    // Called before the window is first shown: places the window menu button.
    void PrepareShow();
    // Ends a modal run with -1 because the application quits.
    void EndForQuit();

    // DialogView
    void ControlChanged(int id) override;
    void TitleChanged() override;
    void WindowEnabledChanged() override;
    void FocusChanged(int id) override;
    void Ended(int result) override;

public slots:
    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Action = std::function<void(DialogWindow&, Dialog&)>;

    void Build();
    QWidget* CreateControl(const ControlTemplate& c);
    void Refresh(int id);
    void RefreshAll();
    // Queues user input for the model; it runs from the host's queue while this window and its
    // dialog still exist.
    void Send(PendingMessage kind, Action action);
    void OnFocusChanged(QWidget* old, QWidget* now);
    // The id of the control a widget belongs to (0 for none, IDC_STATIC for labels).
    int IdOfWidget(QWidget* widget) const;
    const ControlTemplate* TemplateOf(int id) const;
    void ShowWindowMenu(const QPoint& globalPos);
    QString ControlText(int id) const;
    // (DialogWindowLayout.cpp) Shrinks the font when the template would not fit the screen.
    void FitFontToScreen(const DialogTemplate& t);
    // Places every control by its template rectangle and anchor for the window's size.
    void LayoutControls();
    void PlaceMenuButton();
    // Check boxes and radio buttons whose text does not fit their rectangle (a font shrunk to fit
    // the screen keeps its full-size indicator) widen into free space to their right.
    void WidenClippedChecks();
    // The size and position kept for the window, put back on a screen; then keeps them again.
    void RestorePlacement();
    void KeepPlacement();
    // Notes the frame's offset while the window shows at its normal size (neither maximised nor
    // minimised), which its normal geometry is reported without.
    void NoteNormalPlacement();
    // The template's keys, and edit boxes that let those keys through.
    void InstallAccelerators(const DialogTemplate& t);
    // Read-only edit boxes on the window's colour, again after the palette changed (a theme
    // switched while the program runs).
    static void MarkReadOnly(QWidget* w);
    void RefreshReadOnlyColours();

    QtHost& host_;
    Dialog* dialog_;
    bool modal_;
    bool closingFromModel_ = false;
    int refreshing_ = 0;
    int settingFocus_ = 0;
    DialogBaseUnits units_;
    std::vector<QWidget*> widgets_;  // per template control, in template order
    std::vector<QRect> baseRects_;   // per template control, at the template's size
    QSize baseSize_;
    std::vector<QKeySequence> acceleratorKeys_;
    bool placementRestored_ = false;
    QRect keptNormal_;    // the normal placement restored at the start (frame position, size)
    QPoint frameOffset_;  // frame position minus inside position, while shown normal
    bool seenNormal_ = false;
    std::map<int, QWidget*> byId_;  // control id -> widget
    std::map<QWidget*, int> idOf_;  // widget -> control id (IDC_STATIC for labels)
    QToolButton* menuButton_ = nullptr;
};

}  // namespace qv
