// The Qt window under Qt's offscreen platform: its menu against the shared table and the
// settings file, its commands, the about box and the message boxes, and ending the program.
#include "about_box.h"
#include "app_fakes.h"
#include "main_menu.h"
#include "main_window.h"
#include "temp_directory.h"
#include "test_wave_device.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <mutex>

using namespace chimora;
using namespace chimora::testing;

namespace {

// Hands each modal window that opens to `inspect`, which must close it, and counts them. It
// runs inside the modal loop of the command that opened the window.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> inspect) : inspect_(std::move(inspect)) {
        connect();
    }
    ~ModalWatcher() { timer_.stop(); }
    int seen() const { return seen_; }

private:
    void connect() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == last_) return;
            last_ = modal;
            ++seen_;
            inspect_(modal);
        });
        timer_.start(10);
    }

    std::function<void(QWidget*)> inspect_;
    QTimer timer_;
    QWidget* last_ = nullptr;
    int seen_ = 0;
};

QString marksOf(MainWindow& window, std::span<const MenuItemModel> items) {
    QString marks;
    for (const MenuItemModel& item : items) {
        marks += window.actionFor(item.commandId)->isChecked() ? '1' : '0';
    }
    return marks;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDirectory> folder;
    std::unique_ptr<WorkingDirectory> inFolder;
    VirtualClock clock;

    std::unique_ptr<MainWindow> openWindow() {
        auto window = std::make_unique<MainWindow>(clock, std::make_unique<TestWaveDevice>());
        window->show();
        return window;
    }
    static QString switchMarks(MainWindow& window) { return marksOf(window, SWITCH_MENU_ITEMS); }
    static QString volumeMarks(MainWindow& window) { return marksOf(window, VOLUME_MENU_ITEMS); }
    static QString settingsFile() {
        return QString::fromStdString(readFile("switch.ini")).remove('\r');
    }

private slots:
    void init() {
        folder = std::make_unique<TempDirectory>();
        inFolder = std::make_unique<WorkingDirectory>(folder->path());
        clock.set(10, 5, 7);
    }
    void cleanup() {
        inFolder.reset();
        folder.reset();
    }

    void menuBarFollowsTheSharedTable() {
        auto window = openWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("CHIMORA"));
        const QList<QAction*> tops = window->menuBar()->actions();
        QCOMPARE(tops.size(), qsizetype(std::size(MAIN_MENU)));
        for (std::size_t top = 0; top < std::size(MAIN_MENU); ++top) {
            const auto& model = MAIN_MENU[top];
            QCOMPARE(tops[qsizetype(top)]->text(), QString::fromUtf8(model.text));
            const QList<QAction*> items = tops[qsizetype(top)]->menu()->actions();
            QCOMPARE(items.size(), qsizetype(model.items.size()));
            for (std::size_t i = 0; i < model.items.size(); ++i) {
                QCOMPARE(items[qsizetype(i)]->text(), QString::fromUtf8(model.items[i].text));
                QCOMPARE(items[qsizetype(i)], window->actionFor(model.items[i].commandId));
            }
        }
        QCOMPARE(tops[2]->text(), QStringLiteral("音量"));
        // Shown like any item, but it cannot be chosen.
        QAction* reacquire = window->actionFor(CMD_REACQUIRE);
        QCOMPARE(reacquire->text(), QStringLiteral("デバイス再取得"));
        QVERIFY(reacquire->isVisible());
        QVERIFY(!reacquire->isEnabled());
    }

    void marksFollowTheSettingsFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("switches");
        QTest::addColumn<QString>("volume");
        QTest::newRow("missing file") << QString() << "1111"
                                      << "0100";
        QTest::newRow("mixed values") << "[kinou]\nmenu0=0\nmenu1=01\nmenu2=yes\n[onryo]\nvol=7\n"
                                      << "0101"
                                      << "0001";
        QTest::newRow("word for volume") << "[onryo]\nvol=loud\n"
                                         << "1111"
                                         << "1000";
    }
    void marksFollowTheSettingsFile() {
        QFETCH(QString, file);
        QFETCH(QString, switches);
        QFETCH(QString, volume);
        if (!file.isNull()) writeFile("switch.ini", file.toStdString());
        auto window = openWindow();
        QCOMPARE(switchMarks(*window), switches);
        QCOMPARE(volumeMarks(*window), volume);
        QCOMPARE(settingsFile(), file.isNull() ? QString() : file); // nothing written
    }

    void choosingASwitchWritesTheFileAndFlipsItsMark() {
        auto window = openWindow();
        window->actionFor(CMD_SWITCH_HALF)->trigger();
        QCOMPARE(switchMarks(*window), QStringLiteral("1101"));
        QCOMPARE(settingsFile(), QStringLiteral("[kinou]\nmenu2=0\n"));
        window->actionFor(CMD_SWITCH_HALF)->trigger();
        QCOMPARE(switchMarks(*window), QStringLiteral("1111"));
        QCOMPARE(settingsFile(), QStringLiteral("[kinou]\nmenu2=1\n"));
        QCOMPARE(window->program().settings().featureFlags[SWITCH_HALF], 1);
    }

    void choosingAVolumeStepMovesTheSingleMark() {
        auto window = openWindow();
        window->actionFor(CMD_VOLUME_MINUS6)->trigger();
        QCOMPARE(volumeMarks(*window), QStringLiteral("0001"));
        window->actionFor(CMD_VOLUME_PLUS3)->trigger();
        QCOMPARE(volumeMarks(*window), QStringLiteral("1000"));
        QCOMPARE(settingsFile(), QStringLiteral("[onryo]\nvol=0\n"));
        QCOMPARE(window->program().settings().melodyGain, 1.41);
    }

    void altSlashAndAltQuestionOpenTheAboutBox_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("closedBy");
        QTest::newRow("Alt+/, OK") << int(Qt::Key_Slash) << "OK";
        QTest::newRow("Alt+?, Esc") << int(Qt::Key_Question) << "Esc";
        QTest::newRow("Alt+/, close box") << int(Qt::Key_Slash) << "close";
    }
    void altSlashAndAltQuestionOpenTheAboutBox() {
        QFETCH(int, key);
        QFETCH(QString, closedBy);
        auto window = openWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QString text;
        QString caption;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* about = qobject_cast<AboutBox*>(modal);
            QVERIFY(about != nullptr);
            caption = about->windowTitle();
            for (QLabel* label : about->findChildren<QLabel*>()) text += label->text();
            if (closedBy == "OK") about->findChild<QPushButton*>()->click();
            if (closedBy == "Esc") QTest::keyClick(about, Qt::Key_Escape);
            if (closedBy == "close") about->close();
        });
        QTest::keyClick(window.get(), Qt::Key(key), Qt::AltModifier);
        QTRY_COMPARE(watcher.seen(), 1);
        QCOMPARE(text, QStringLiteral("CHIMORA Version 1.9"));
        QCOMPARE(caption, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void reacquireWhilePlayingShowsOnlyItsWarning() {
        auto window = openWindow();
        window->program().engine().apply([](Engine& engine) {
            engine.compileChannel(3, "c1");
            engine.startChannel(3);
        });
        QStringList shown;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            shown << box->windowTitle() + ": " + box->text();
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            box->button(QMessageBox::Ok)->click();
        });
        window->runCommand(CMD_REACQUIRE);
        QCOMPARE(shown, QStringList{QStringLiteral("注意: 内部では演奏中になってるみたいです。")});
    }

    void clockShowsMinuteAndSecondAfterTheFirstTick() {
        auto window = openWindow();
        QCOMPARE(window->clockText(), QStringLiteral(" "));
        QTRY_COMPARE(window->clockText(), QStringLiteral("5:7"));
        clock.set(10, 0, 59);
        QTRY_COMPARE(window->clockText(), QStringLiteral("0:59"));
    }

    void exitEndsTheProgramWithCodeZeroAndWritesNothing() {
        auto window = openWindow();
        QTimer::singleShot(0, [&] { window->actionFor(CMD_EXIT)->trigger(); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!window->isVisible());
        QVERIFY(std::filesystem::is_empty(folder->path()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
