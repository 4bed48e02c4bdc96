// A window, dialog or panel over a core session. The session holds the rules and the state; the
// view only moves values between its controls and the session, under the same three names in
// every view:
//   copyIn()   the controls' entries and choices into the session, before one of its operations;
//   copyOut()  the session's state into the controls, after one;
//   showView() brings the view up, in front and current. (The modal dialogs are shown by their
//              caller's exec() once it has placed them.)
#pragma once

class QWidget;

namespace loopcraft {

// Shows `window` as the user left it (restored when minimised), in front and active.
void bringToFront(QWidget* window);

class SessionView {
public:
    virtual void copyIn() = 0;
    virtual void copyOut() = 0;
    // By default: in front, then the session's state into the controls.
    virtual void showView();

protected:
    // `view` is the widget this is the session view of (the derived object itself).
    explicit SessionView(QWidget* view) : mView(view) {}
    // Owned and deleted as the widget it is.
    ~SessionView() = default;
    SessionView(const SessionView&) = delete;
    SessionView& operator=(const SessionView&) = delete;

    void bringToFront() { loopcraft::bringToFront(mView); }

private:
    QWidget* mView;
};

} // namespace loopcraft
