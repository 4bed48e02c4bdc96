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

} // namespace test
} // namespace loopcraft
