// Persistent ids derived from a track's path below its library's root.
#include "TestMain.h"

#include "library/TrackIdentity.h"

#include <QSet>

class TestTrackIdentity : public QObject
{
    Q_OBJECT

private slots:
    // Phones and track caches hold these ids: the derivation may never change.
    void derivationIsFixed()
    {
        QCOMPARE(TrackIdentity::idOf(QStringLiteral("Artist/Album/01 Song.mp3")),
                 Q_UINT64_C(0x1ddcc8c7faf36158));
        QVERIFY(TrackIdentity::idOf(QStringLiteral("a.mp3"), 1) != TrackIdentity::idOf(QStringLiteral("a.mp3")));
    }

    void idsAreUniqueAndIndependentOfOrder()
    {
        QStringList paths;
        for (int i = 0; i < 5000; ++i)
            paths << QStringLiteral("Artist %1/Album/%2 Song.flac").arg(i % 97).arg(i);
        const QList<quint64> ids = TrackIdentity::assign(paths);
        QCOMPARE(QSet<quint64>(ids.begin(), ids.end()).size(), paths.size());
        QVERIFY(!ids.contains(0));
        QStringList reversed(paths.rbegin(), paths.rend());
        const QList<quint64> again = TrackIdentity::assign(reversed);
        QCOMPARE(QList<quint64>(again.rbegin(), again.rend()), ids);
    }

    // Real collisions cannot be made; the base ids are handed in as if two paths shared one.
    void collisionsAndZeroArePartedDeterministically()
    {
        const QStringList paths{"b.mp3", "a.mp3", "c.mp3", "a.mp3"};
        const quint64 shared = TrackIdentity::idOf(QStringLiteral("b.mp3"));
        const QList<quint64> ids = TrackIdentity::assign(paths, {shared, shared, 0, shared});
        QCOMPARE(QSet<quint64>(ids.begin(), ids.end()).size(), 4);
        QVERIFY(!ids.contains(0));
        // The first in path order (the first "a.mp3") keeps the shared id.
        QCOMPARE(ids[1], shared);
        QCOMPARE(ids[2], TrackIdentity::idOf(QStringLiteral("c.mp3"), 1));
        const QList<quint64> swapped = TrackIdentity::assign({"a.mp3", "c.mp3", "b.mp3", "a.mp3"},
                                                             {shared, 0, shared, shared});
        QCOMPARE(swapped[0], ids[1]);
        QCOMPARE(swapped[1], ids[2]);
        QCOMPARE(swapped[2], ids[0]);
    }

    void relativePathStaysBelowTheRoot()
    {
        QCOMPARE(TrackIdentity::relativePath("/music/", "/music/a/b.mp3"), QStringLiteral("a/b.mp3"));
        QCOMPARE(TrackIdentity::relativePath("/music", "/music/./a/../b.mp3"), QStringLiteral("b.mp3"));
        QCOMPARE(TrackIdentity::relativePath("/music", "/musicals/b.mp3"), QString());
        QCOMPARE(TrackIdentity::relativePath("/music", "/music/../b.mp3"), QString());
        QCOMPARE(TrackIdentity::relativePath("/music", "/music"), QString());
    }
};

PELLMAR_TEST_MAIN(TestTrackIdentity)
#include "test_track_identity.moc"
