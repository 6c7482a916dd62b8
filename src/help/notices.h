#pragma once

class QWidget;

// The short notices of the File and Help menus, each shown in a modal message box.
enum class Notice { ContactUs, Ktx, Rwqn, Ashwalkers, GeneralHelp };

void showNotice(Notice notice, QWidget *parent);
