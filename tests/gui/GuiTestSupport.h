// Shared helpers of the GUI tests.
#pragma once

#include "tests/gui/FakeUserDialogs.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <sstream>
#include <string>

namespace loopcraft {

inline void PrintTo(const RecordedMessage& m, std::ostream* os) {
    *os << '"' << m.title.toStdString() << ": " << m.text.toStdString() << '"';
}

namespace test {

// The scripted dialogs installed for the whole test program; reset before every test.
FakeUserDialogs& fakeDialogs();

// A file's bytes as they are on disk; empty when it cannot be read.
inline std::string readAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A child found by object name; fails the test (and returns null) when it is missing.
template <typename T> T* child(QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no child named " << name;
    return found;
}

// Checks "Name=Caption;Name=Caption;..." against the window: each control exists under its
// object name and shows its caption (a group's title, a button's or a label's text).
inline void expectCaptions(QObject* window, const QString& table) {
    for (const QString& pair : table.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = pair.section(QLatin1Char('='), 0, 0);
        QObject* o = window->findChild<QObject*>(name);
        ASSERT_NE(o, nullptr) << name.toStdString();
        QString text;
        if (auto* g = qobject_cast<QGroupBox*>(o))
            text = g->title();
        else if (auto* b = qobject_cast<QAbstractButton*>(o))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(o))
            text = l->text();
        EXPECT_EQ(text, pair.section(QLatin1Char('='), 1)) << name.toStdString();
    }
}

} // namespace test
} // namespace loopcraft
