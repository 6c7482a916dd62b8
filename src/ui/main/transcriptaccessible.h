#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// Makes the accessibility interface of a TranscriptView (Qt's cache owns what it returns):
// an editable text, read-only for the user, with the whole text interface, reading the
// view's text directly. Installed with QAccessible::installFactory.
QAccessibleInterface *transcriptAccessibleFactory(const QString &className, QObject *object);
