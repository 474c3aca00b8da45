// The dialogs, the space gauge and the update check.
#include "TestMain.h"

#include "library/LibrarySetting.h"
#include "library/LibraryXmlBuilder.h"
#include "library/MusicFolderBuilder.h"
#include "settings/SyncSettings.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/LibraryChooser.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/RunQuestions.h"
#include "ui/SoftwareUpdateWatcher.h"
#include "ui/SpaceGauge.h"
#include "ui/SyncUi.h"
#include "ui/SyncWarningDialog.h"
#include "ui/UpdateDialog.h"
#include "ui/UsbEjectWarning.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

// Serves one fixed body (status 200) to every request on a loopback port.
class LoopbackHttpServer : public QTcpServer
{
public:
    explicit LoopbackHttpServer(QByteArray aBody, int aStatus = 200)
        : mBody(std::move(aBody)), mStatus(aStatus)
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                mRequest += socket->readAll();
                if (!mRequest.contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 " + QByteArray::number(mStatus) + " X\r\nContent-Length: "
                              + QByteArray::number(mBody.size())
                              + "\r\nConnection: close\r\n\r\n" + mBody);
                socket->disconnectFromHost();
            });
        });
    }
    QString address(const QString& aPath) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(aPath);
    }
    QByteArray mRequest;

private:
    QByteArray mBody;
    int mStatus;
};

TrackList tracksNamed(const QStringList& aNames)
{
    TrackList list;
    qint64 id = 1;
    for (const QString& name : aNames) {
        Track track;
        track.setTrackName(name);
        track.setITunesId(QString::number(id++));
        list.addTrack(track);
    }
    return list;
}

template <typename T> T* child(QWidget& aParent, const char* aName)
{
    return aParent.findChild<T*>(QLatin1String(aName));
}

} // namespace

class TestUiDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageCatalogue::build(); }
    void cleanup() { ModalAnswerer::setAnswerer({}); }

    void gaugeDrawsUsedShareInRedAndGreyWhenDisabledOrEmpty()
    {
        SpaceGauge gauge(false);
        gauge.resize(204, 23);
        gauge.update(3LL << 30, 1LL << 30);
        QCOMPARE(gauge.usedWidth(200), 150);
        QImage image = gauge.grab().toImage();
        // The bottom half of the bar shows the gradients' end colours most strongly.
        const QColor insideBar = image.pixelColor(100, 16);
        const QColor outsideBar = image.pixelColor(180, 16);
        QVERIFY(insideBar.red() > 200 && insideBar.green() < 150);
        QVERIFY(outsideBar.green() > 200 && outsideBar.red() < 150);

        // Numbers in the legend and the tooltip, in decimal gigabytes as phones state them.
        QCOMPARE(gauge.usedText(), QStringLiteral("Used 3.2 GB"));
        QCOMPARE(gauge.freeText(), QStringLiteral("Free 1.1 GB"));
        QCOMPARE(gauge.toolTip(),
                 QStringLiteral("3.2 GB used and 1.1 GB free of 4.3 GB on your phone"));

        gauge.disable();
        QVERIFY(gauge.usedText().isEmpty());
        QCOMPARE(gauge.usedWidth(200), 0);
        image = gauge.grab().toImage();
        const QColor disabled = image.pixelColor(100, 16);
        QCOMPARE(disabled.red(), disabled.green());

        SpaceGauge empty(true);
        empty.resize(240, 23);
        QCOMPARE(empty.margin(), SpaceGauge::kWideMargin);
        QCOMPARE(empty.usedWidth(200), 0);
        const QColor grey = empty.grab().toImage().pixelColor(120, 16);
        QCOMPARE(grey.red(), grey.green());
        QCOMPARE(empty.sizeHint().width(), 200);
        QVERIFY(empty.sizeHint().height() > 23);
        QVERIFY(empty.toolTip().isEmpty());
        // More used than the total can show (a changing volume) stays at the full width.
        gauge.enable();
        gauge.update(5, -1);
        QCOMPARE(gauge.usedWidth(200), 200);
    }

    void deleteConfirmReturnsNoYesOrAlways_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("no, ticked") << true << "noButton" << 0;
        QTest::newRow("yes") << false << "yesButton" << 1;
        QTest::newRow("yes, always") << true << "yesButton" << 2;
    }
    void deleteConfirmReturnsNoYesOrAlways()
    {
        QFETCH(bool, ticked);
        QFETCH(QString, button);
        QFETCH(int, result);
        const TrackList tracks = tracksNamed({QStringLiteral("One"), QStringLiteral("Two")});
        DeleteTracksConfirm dialog(tracks);
        auto* list = child<QListWidget>(dialog, "trackList");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("Two"));
        ModalAnswerer::setAnswerer([&](QDialog& aDialog) {
            child<QCheckBox>(aDialog, "alwaysDelete")->setChecked(ticked);
            aDialog.findChild<QPushButton*>(button)->click();
        });
        QCOMPARE(ModalAnswerer::exec(dialog), result);
    }

    void warningDialogShowsTextByKindAndReportsItsBox()
    {
        const TrackList tracks = tracksNamed({QStringLiteral("Locked")});
        const QList<Track> list{tracks.at(0)};
        SyncWarningDialog drm(nullptr, list, SyncWarningDialog::kCopyProtected);
        QVERIFY(child<QLabel>(drm, "warningText")->text().contains(QLatin1String("drm.htm")));
        QVERIFY(child<QLabel>(drm, "warningText")->text().contains(
            MessageCatalogue::domainPath() + QStringLiteral("/blog/files/drm.htm")));
        SyncWarningDialog other(nullptr, list, 3);
        QVERIFY(child<QLabel>(other, "warningText")->text().isEmpty());
        QCOMPARE(child<QListWidget>(other, "trackList")->item(0)->text(), QStringLiteral("Locked"));
        ModalAnswerer::setAnswerer([](QDialog& aDialog) {
            child<QCheckBox>(aDialog, "dontShowAgain")->setChecked(true);
            aDialog.accept();
        });
        ModalAnswerer::exec(other);
        QVERIFY(other.dontShowAgain());
        QVERIFY(!drm.dontShowAgain());
    }

    void ejectWarningAndUpdateDialogReportTheirBoxes()
    {
        bool tick = true;
        ModalAnswerer::setAnswerer([&](QDialog& aDialog) {
            child<QCheckBox>(aDialog, "dontShowAgain")->setChecked(tick);
            aDialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        UsbEjectWarning ticked;
        QCOMPARE(ModalAnswerer::exec(ticked), 1);
        tick = false;
        UsbEjectWarning plain;
        QCOMPARE(ModalAnswerer::exec(plain), 0);
        UpdateDialog update(nullptr, QStringLiteral("New"), QStringLiteral("<b>v2</b>"));
        QCOMPARE(update.windowTitle(), QStringLiteral("New"));
        tick = true;
        ModalAnswerer::exec(update);
        QVERIFY(update.dontShowAgain());
    }

    void updateInformationIsSplitAtLineFeedsOnly_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("message");
        QTest::newRow("three lines and a fourth")
            << QByteArray("Title\nv2\nGet it\nignored\n") << "Title" << "v2" << "Get it";
        QTest::newRow("CR LF, no final line feed")
            << QByteArray("Title\r\nv2\r\nGet it") << "Title\r" << "v2\r" << "Get it";
        QTest::newRow("no line feed") << QByteArray("Only") << "Only" << "" << "";
        QTest::newRow("Latin-1") << QByteArray("Caf\xe9\n1\nx\n") << "Caf\u00e9" << "1" << "x";
    }
    void updateInformationIsSplitAtLineFeedsOnly()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, title);
        QFETCH(QString, version);
        QFETCH(QString, message);
        LoopbackHttpServer server(body);
        SoftwareUpdateWatcher watcher;
        QSignalSpy found(&watcher, &SoftwareUpdateWatcher::updateInfoFound);
        watcher.getUpdateInfo(server.address(QStringLiteral("/itunes/update/update123-plus.txt")));
        QVERIFY(found.wait(5000));
        QVERIFY(server.mRequest.startsWith("GET /itunes/update/update123-plus.txt HTTP/1.1"));
        QCOMPARE(watcher.title(), title);
        QCOMPARE(watcher.version(), version);
        QCOMPARE(watcher.message(), message);
    }

    void updateAnswerOtherThan200IsIgnored()
    {
        LoopbackHttpServer server("Title\nv2\nGet it\n", 404);
        SoftwareUpdateWatcher watcher;
        QSignalSpy found(&watcher, &SoftwareUpdateWatcher::updateInfoFound);
        watcher.getUpdateInfo(server.address(QStringLiteral("/u.txt")));
        QVERIFY(!found.wait(1500));
        QVERIFY(!server.mRequest.isEmpty());
    }

    void skippedVersionShowsNoNoticeAndANewOneDoes()
    {
        QTemporaryDir fakeSystem;
        SyncUi window(nullptr, fakeSystem.path());
        int shown = 0;
        ModalAnswerer::setAnswerer([&](QDialog& aDialog) {
            if (aDialog.objectName() != QLatin1String("updateDialog"))
                return;
            ++shown;
            child<QCheckBox>(aDialog, "dontShowAgain")->setChecked(true);
            aDialog.accept();
        });
        const auto answer = [&](const QByteArray& aBody) {
            LoopbackHttpServer server(aBody);
            QSignalSpy found(&window.updateWatcher(), &SoftwareUpdateWatcher::updateInfoFound);
            window.updateWatcher().getUpdateInfo(server.address(QStringLiteral("/u.txt")));
            QVERIFY(found.wait(5000));
        };
        answer("New version\nv2\nPellmar 2 is out\n");
        QCOMPARE(shown, 1);
        QCOMPARE(SettingsSnapshot::read().skipUpdateMessage(), QStringLiteral("v2"));
        answer("New version\nv2\nPellmar 2 is out\n");
        QCOMPARE(shown, 1);
        answer("Newer\nv3\n");
        QCOMPARE(shown, 1);
        answer("Newer\nv3\nPellmar 3 is out");
        QCOMPARE(shown, 2);
    }

    void libraryChooserListsWhatItFindsAndKeepsThePick()
    {
        // An iTunes library of three tracks, and a music folder of two in the home folder.
        QTemporaryDir dir;
        LibraryXmlBuilder builder;
        for (const char* name : {"One", "Two", "Three"}) {
            LibraryXmlBuilder::TrackSpec track;
            track.mName = QLatin1String(name);
            track.mLocation = LibraryXmlBuilder::macUrl(dir.path() + "/" + name + ".mp3");
            builder.addTrack(track);
        }
        builder.addMasterPlaylist();
        const QString xml = dir.path() + QStringLiteral("/iTunes Library.xml");
        QVERIFY(builder.write(xml));
        qputenv("PELLMAR_ITUNES_LIBRARY", xml.toUtf8());
        const QString music = QDir::homePath() + QStringLiteral("/Music");
        MusicFolderBuilder folder(music);
        MusicFolderBuilder::Tags tags;
        tags.mTitle = QStringLiteral("First");
        QVERIFY2(!folder.addTrack(QStringLiteral("A/1 First.mp3"), tags).isEmpty(),
                 qPrintable(folder.error()));
        tags.mTitle = QStringLiteral("Second");
        QVERIFY(!folder.addTrack(QStringLiteral("A/2 Second.flac"), tags).isEmpty());

        QStringList rows;
        ModalAnswerer::setAnswerer([&](QDialog& aDialog) {
            auto* chooser = qobject_cast<LibraryChooser*>(&aDialog);
            QVERIFY(chooser);
            QTRY_VERIFY_WITH_TIMEOUT(chooser->isSettled(), 20000);
            auto* list = chooser->findChild<QTreeWidget*>(QStringLiteral("foundLibraries"));
            for (int row = 0; row < list->topLevelItemCount(); ++row) {
                const QTreeWidgetItem* item = list->topLevelItem(row);
                rows << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
            }
            list->setCurrentItem(list->topLevelItem(1));
            chooser->findChild<QPushButton*>(QStringLiteral("useLibrary"))->click();
        });
        const QString chosen = RunQuestions::chooseLibrary(nullptr);
        ModalAnswerer::setAnswerer({});
        qunsetenv("PELLMAR_ITUNES_LIBRARY");

        QCOMPARE(rows, QStringList({"iTunes|3 tracks|" + xml, "Music folder|2 tracks|" + music}));
        QCOMPARE(chosen, music);
        const LibrarySetting stored = LibrarySetting::read();
        QCOMPARE(stored.mKind, LibraryKind::Folder);
        QCOMPARE(stored.mPath, music);
        QDir(music).removeRecursively();
    }
};

PELLMAR_TEST_MAIN_GUI(TestUiDialogs)
#include "test_ui_dialogs.moc"
