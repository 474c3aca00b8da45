#pragma once

#include <QByteArray>
#include <QString>

// A private temporary HOME for one test program. It must be created before anything asks for
// standard paths, so that the settings file, the track caches and the Desktop log folder of the
// test never touch the real user's. Removed at exit unless PELLMAR_KEEP_TEST_HOME is set.
class TestHome
{
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const QString& path() const { return mPath; }

private:
    QString mPath;
};
