#pragma once

class QWidget;

// Asks the window manager to leave the window out of the taskbar. Every window that has no
// taskbar entry of its own calls it once its flags are set; later flag changes would undo it.
// A tool window has no taskbar button on Windows; on X11 Qt marks it as a utility window,
// which not every taskbar leaves out, so the window also asks for
// _NET_WM_STATE_SKIP_TASKBAR, which every EWMH taskbar honours. Elsewhere it does nothing
// more than the window's flags do.
void keepOutOfTaskbar(QWidget *window);

// The frame shared by the connection windows: a client area of a fixed size given in twips,
// a fixed single border, a title bar with a close box but no minimize or maximize box, and
// no taskbar entry of its own.
//
// They are tool windows without a parent: they stay open and usable on their own, whatever
// happens to the main window, and are not kept above it.
void setToolWindowFrame(QWidget *window, int widthTwips, int heightTwips);
