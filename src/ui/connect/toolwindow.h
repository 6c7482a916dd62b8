#pragma once

class QWidget;

// The frame shared by the connection windows: a client area of a fixed size given in twips,
// a fixed single border, a title bar with a close box but no minimize or maximize box, and
// no taskbar entry of its own.
//
// They are tool windows without a parent: they stay open and usable on their own, whatever
// happens to the main window, and are not kept above it. A tool window has no taskbar
// button on Windows; on X11 Qt marks it as a utility window, which not every taskbar leaves
// out, so the window also asks for _NET_WM_STATE_SKIP_TASKBAR, which every EWMH taskbar
// honours.
void setToolWindowFrame(QWidget *window, int widthTwips, int heightTwips);
