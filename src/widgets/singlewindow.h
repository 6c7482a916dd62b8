#pragma once

#include <QPointer>
#include <QWidget>

#include <utility>

// Puts a window in the middle of the screen it is on.
void centreOnScreen(QWidget *window);

// Puts a window in the middle of `owner` while there is one, otherwise of the screen.
void centreOn(QWidget *window, const QWidget *owner);

// Ends the program once `window` is gone and no other window of the program is shown.
// Qt's own rule leaves tool windows out of that count; this one counts every window.
void endProgramWithLastWindow(QWidget *window);

// Destroys the windows still open when the event loop has ended (File, Exit).
void destroyRemainingWindows();

// The rule every secondary window follows: at most one instance; opening creates it (its
// constructor fills it) and shows it modeless without an owner, or only brings the open one
// to the front; closing destroys it, and the next opening starts afresh. What the window
// uses is handed to its constructor: `args` are used only when it is created.
template<typename Window> class SingleWindow {
public:
    template<typename... Args> Window *open(Args &&...args) {
        if (m_window) {
            m_window->show();
            m_window->raise();
            m_window->activateWindow();
            return m_window;
        }
        // A top-level window owns itself and is deleted when it is closed.
        m_window = new Window(std::forward<Args>(args)...);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        endProgramWithLastWindow(m_window);
        m_window->show();
        m_window->activateWindow();
        return m_window;
    }

    Window *window() const { return m_window; }

private:
    QPointer<Window> m_window;
};
