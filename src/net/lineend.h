#pragma once

#include <QString>

// CR LF ends every line sent to the gateway, every line echoed into the transcript and
// every line break inside a prompt.
inline const QString kLineEnd = QStringLiteral("\r\n");
