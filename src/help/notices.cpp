#include "notices.h"

void showNotice(Notice, QWidget *) {}
