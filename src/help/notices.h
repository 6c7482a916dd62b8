#pragma once

class QMessageBox;
class QWidget;

// The short notices of the File and Help menus, each shown in a modal message box.
enum class Notice { ContactUs, Ktx, Rwqn, Ashwalkers, GeneralHelp };

// Builds the notice's box, modal to the application, without showing it. The caller owns it.
QMessageBox *createNotice(Notice notice, QWidget *parent);

// Shows the notice and waits until the user closes it; which button closed it does not matter.
void showNotice(Notice notice, QWidget *parent);
