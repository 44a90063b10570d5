// Window colours, the skin, the application title, the program icon and the
// hand pointer convention, on windows built here.

#define QTEST_QPA_MOUSE_HANDLING // mouse moves through the window system: real enter and move delivery
#include "app/MainWindow.h"
#include "contacts/ContactEditor.h"
#include "data/Error.h"
#include "data/FileUtil.h"
#include "issues/IssueEditor.h"
#include "platform/Appearance.h"
#include "platform/ApplicationTitle.h"
#include "platform/Dialogs.h"
#include "platform/HandPointer.h"
#include "platform/ScreenFit.h"
#include "reports/ReportChooser.h"
#include "tests/support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <algorithm>

namespace {

const QColor buttonFace(0x12, 0x34, 0x56);
const QColor windowColour(0xab, 0xcd, 0xef);

// A window with one control of each kind; the group box holds a label and a
// check box of its own.
struct TestWindow {
    QWidget window;
    QStandardItemModel model{3, 2};

    TestWindow()
    {
        window.resize(400, 300);
        auto add = [this](QWidget *control, const char *name, QWidget *parent, QRect geometry) {
            control->setParent(parent ? parent : &window);
            control->setObjectName(QLatin1String(name));
            control->setGeometry(geometry);
            return control;
        };
        add(new QLabel(QStringLiteral("Label")), "Label1", nullptr, {10, 10, 80, 20});
        add(new QFrame, "Frame0", nullptr, {100, 10, 80, 20});
        add(new QCheckBox(QStringLiteral("Check")), "Check1", nullptr, {190, 10, 80, 20});
        add(new QRadioButton(QStringLiteral("Option")), "Option1", nullptr, {280, 10, 80, 20});
        add(new QPushButton(QStringLiteral("One")), "PushButton1", nullptr, {10, 40, 80, 30});
        add(new QPushButton(QStringLiteral("Two")), "PushButton2", nullptr, {100, 40, 80, 30});
        add(new QLineEdit, "Text1", nullptr, {190, 40, 80, 25});
        auto *tree = static_cast<QTreeView *>(add(new QTreeView, "ListView1", nullptr, {10, 80, 250, 120}));
        tree->setModel(&model);
        QWidget *frame = add(new QGroupBox(QStringLiteral("Frame")), "Frame1", nullptr, {10, 210, 380, 80});
        add(new QLabel(QStringLiteral("Inner")), "Label2", frame, {10, 30, 80, 20});
        add(new QCheckBox(QStringLiteral("Inner")), "Check2", frame, {100, 30, 80, 20});
    }
    QWidget *control(const QString &name) { return window.findChild<QWidget *>(name); }
    QTreeView *list() { return window.findChild<QTreeView *>(QStringLiteral("ListView1")); }
};

bool recoloured(const QWidget &widget)
{
    return widget.testAttribute(Qt::WA_SetPalette) && widget.autoFillBackground() &&
           widget.palette().color(QPalette::Window) == buttonFace;
}

void putFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

QByteArray shipped(const QString &relativePath)
{
    QFile file(QStringLiteral(MARROWDESK_SOURCE_DIR "/resources/") + relativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The font a control is drawn in, as the font system matched it.
QString drawnFont(const QFont &font)
{
    const QFontInfo info(font);
    return QStringLiteral("%1 %2pt%3").arg(info.family()).arg(info.pointSizeF()).arg(info.bold() ? " bold" : "");
}

QtMessageHandler previousHandler = nullptr;
QStringList capturedWarnings;
void captureWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg)
        capturedWarnings << text;
    previousHandler(type, context, text);
}

} // namespace

class TestAppearance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, buttonFace); // told apart from the window colour
        palette.setColor(QPalette::Window, windowColour);
        QApplication::setPalette(palette);
    }
    void cleanup()
    {
        QDir(programFolder() + QStringLiteral("/x")).removeRecursively();
        QFile::remove(HandPointer::cursorFilePath());
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }

    void titleRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("no blank keeps the whole name") << "Marrowdesk"
                                                       << "Marrowdesk";
        QTest::newRow("short name still loses its last word") << "Marrowdesk Issue Tracker"
                                                              << "Marrowdesk Issue";
        QTest::newRow("45 characters, 3-letter last word") << "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc Dddddddd Eee"
                                                           << "Aaaaaaaaaa Bbbbbbbbbb Cccccccccc";
        QTest::newRow("exactly 40 after one word")
            << QString(QString(40, QLatin1Char('a')) + QStringLiteral(" bc")) << QString(40, QLatin1Char('a'));
        QTest::newRow("trailing blank") << "Marrowdesk "
                                        << "Marrowdesk";
        QTest::newRow("long word left without blank stops")
            << QString(QString(45, QLatin1Char('a')) + QStringLiteral(" b c")) << QString(45, QLatin1Char('a'));
        QTest::newRow("long single word") << QString(50, QLatin1Char('x')) << QString(50, QLatin1Char('x'));
    }
    void titleRule()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QCOMPARE(Appearance::applicationTitleFor(name), title);
    }

    void setAppTitleTitlesMessageBoxes()
    {
        ScriptedDialogs dialogs;
        SetAppTitle();
        platform::msgBox(QStringLiteral("Hello"));
        QCOMPARE(dialogs.boxes.value(0).title, QStringLiteral("Marrowdesk"));
    }

    void windowColours_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("takesButtonFace");
        QTest::newRow("label") << "Label1" << true;
        QTest::newRow("plain frame") << "Frame0" << true;
        QTest::newRow("check box") << "Check1" << true;
        QTest::newRow("option button") << "Option1" << true;
        QTest::newRow("group box frame") << "Frame1" << true;
        QTest::newRow("label inside a frame") << "Label2" << true;
        QTest::newRow("check box inside a frame") << "Check2" << true;
        QTest::newRow("command button") << "PushButton1" << false;
        QTest::newRow("text box") << "Text1" << false;
        QTest::newRow("list (a frame by class)") << "ListView1" << false;
    }
    void windowColours()
    {
        QFETCH(QString, control);
        QFETCH(bool, takesButtonFace);
        TestWindow form;
        ApplyWindowColors(form.window);
        QVERIFY(recoloured(form.window));
        QWidget *widget = form.control(control);
        QVERIFY(widget);
        QCOMPARE(recoloured(*widget), takesButtonFace);
        if (!takesButtonFace)
            QVERIFY(!widget->autoFillBackground());
        // The list's inner parts are not the window's controls.
        for (QWidget *part : form.list()->findChildren<QWidget *>())
            QVERIFY2(!part->testAttribute(Qt::WA_SetPalette), qPrintable(part->objectName()));
    }

    void skin_data()
    {
        QTest::addColumn<QString>("layout"); // "file", "none", "folder"
        QTest::addColumn<bool>("applied");
        QTest::newRow("skin file present") << "file" << true;
        QTest::newRow("no skin file") << "none" << false;
        QTest::newRow("folder named like the skin") << "folder" << false;
    }
    void skin()
    {
        QFETCH(QString, layout);
        QFETCH(bool, applied);
        const QByteArray skinText = shipped(QStringLiteral("x/o.cjs"));
        QVERIFY(!skinText.isEmpty());
        if (layout == QLatin1String("file"))
            putFile(Appearance::skinFilePath(), skinText);
        else if (layout == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(Appearance::skinFilePath()));

        TestWindow form;
        ApplySkin(form.window);
        QCOMPARE(form.window.styleSheet(), applied ? QString::fromUtf8(skinText) : QString());
        QCOMPARE(recoloured(form.window), applied);
        QCOMPARE(recoloured(*form.control(QStringLiteral("Label1"))), applied);
        QCOMPARE(recoloured(*form.control(QStringLiteral("Frame1"))), applied);
        QVERIFY(!recoloured(*form.control(QStringLiteral("PushButton1"))));

        // The shipped skin is a style sheet Qt understands.
        capturedWarnings.clear();
        previousHandler = qInstallMessageHandler(captureWarnings);
        form.window.show();
        form.window.grab();
        qInstallMessageHandler(previousHandler);
        QVERIFY2(capturedWarnings.filter(QStringLiteral("style"), Qt::CaseInsensitive).isEmpty(),
                 qPrintable(capturedWarnings.join(QLatin1Char('\n'))));
    }

    // The shipped skin on the main window, as start-up applies it, and each
    // dialogue window made as the program makes it: every caption, box and
    // button is drawn in Arial 9 pt bold, the big commands 11.25 pt, also
    // when a small screen puts the controls into a scroll area; a message
    // box over the window keeps the desktop's font.
    void skinFontsReachEveryWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("fitted");
        for (const char *window : {"Form2", "Form3", "Form4"})
            for (const bool fitted : {false, true})
                QTest::newRow(qPrintable(QStringLiteral("%1%2").arg(window, fitted ? " on a small screen" : "")))
                    << window << fitted;
    }
    void skinFontsReachEveryWindow()
    {
        QFETCH(QString, window);
        QFETCH(bool, fitted);
        putFile(Appearance::skinFilePath(), shipped(QStringLiteral("x/o.cjs")));
        MainWindow main;
        ApplySkin(main);
        IssueEditor issueEditor(&main);
        ContactEditor contactEditor(&issueEditor);
        ReportChooser reportChooser(&main);
        QDialog *form = window == QLatin1String("Form2")   ? static_cast<QDialog *>(&issueEditor)
                        : window == QLatin1String("Form3") ? static_cast<QDialog *>(&contactEditor)
                                                           : static_cast<QDialog *>(&reportChooser);
        QCOMPARE(form->objectName(), window);
        if (fitted)
            platform::fitWithin(*form, QSize(300, 200));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));

        const QFont windowFont(QStringLiteral("Arial"), 9, QFont::Bold);
        QFont commandFont(QStringLiteral("Arial"));
        commandFont.setPointSizeF(11.25);
        commandFont.setBold(true);
        QVERIFY(drawnFont(QApplication::font()) != drawnFont(windowFont)); // else the test could not tell
        int checked = 0;
        for (QWidget *control : form->findChildren<QWidget *>()) {
            const QStringList kinds{"QLabel", "QLineEdit", "QComboBox", "QPlainTextEdit", "QGroupBox", "QTreeWidget"};
            const bool button = control->inherits("QPushButton");
            if (!button && std::none_of(kinds.cbegin(), kinds.cend(),
                                        [&](const QString &kind) { return control->inherits(qPrintable(kind)); }))
                continue;
            const bool bigCommand = button && QStringList{"PushButton1", "PushButton2"}.contains(control->objectName());
            QCOMPARE(drawnFont(control->font()), drawnFont(bigCommand ? commandFont : windowFont));
            ++checked;
        }
        QVERIFY(checked >= 4);

        QMessageBox box(form);
        box.setText(QStringLiteral("Record Successfully Saved"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE_NE(drawnFont(box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->font()),
                    drawnFont(windowFont));
    }

    void programIconHasEverySize()
    {
        const QIcon icon = programIcon();
        QVERIFY(!icon.isNull());
        for (const int size : {16, 32, 48, 256}) {
            const QPixmap pixmap = icon.pixmap(size, size);
            QCOMPARE(pixmap.size(), QSize(size, size));
            QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        }
    }

    void cursorFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("outcome"); // "hand", "none", "error"
        QTest::newRow("shipped hand") << shipped(QStringLiteral("HAND-M.CUR")) << "hand";
        QTest::newRow("missing") << QByteArray() << "none";
        QTest::newRow("not a cursor") << QByteArray("this is text, not an image") << "error";
        QTest::newRow("cut short") << shipped(QStringLiteral("HAND-M.CUR")).left(60) << "error";
    }
    void cursorFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, outcome);
        if (!contents.isEmpty())
            putFile(HandPointer::cursorFilePath(), contents);
        std::optional<QCursor> cursor;
        try {
            cursor = HandPointer::loadCursorFile(HandPointer::cursorFilePath());
            QCOMPARE(outcome, cursor ? QStringLiteral("hand") : QStringLiteral("none"));
        } catch (const Error &error) {
            QCOMPARE(outcome, QStringLiteral("error"));
            QVERIFY(error.description().contains(HandPointer::cursorFilePath()));
            return;
        }
        if (!cursor)
            return;
        // The hotspot is the fingertip: an opaque pixel with nothing drawn above it.
        const QImage image = cursor->pixmap().toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        const QPoint spot = cursor->hotSpot();
        QCOMPARE(qAlpha(image.pixel(spot)), 255);
        for (int y = 0; y < spot.y(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(qAlpha(image.pixel(x, y)), 0);
        QVERIFY(qAlpha(image.pixel(0, 31)) == 0); // transparent outside the hand
    }

    void pointerConvention_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QString>("busy"); // "", "window", "application"
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<int>("state");
        const QStringList hoverButton{QStringLiteral("PushButton1")};
        for (const bool withFile : {true, false}) {
            const char *file = withFile ? "with file: " : "without file: ";
            auto row = [&](const char *name) -> QTestData & {
                return QTest::newRow(qPrintable(QLatin1String(file) + QLatin1String(name)));
            };
            row("nothing yet") << withFile << "" << QStringList() << 0;
            row("over a button") << withFile << "" << hoverButton << 99;
            row("button to button") << withFile << "" << QStringList{"PushButton1", "PushButton2"} << 99;
            row("button to window surface") << withFile << "" << QStringList{"PushButton1", "surface"} << 0;
            row("button to list rows") << withFile << "" << QStringList{"PushButton1", "list"} << 0;
            row("button to list header") << withFile << "" << QStringList{"PushButton1", "header"} << 0;
            row("button to unlisted label keeps hand") << withFile << "" << QStringList{"PushButton1", "Label1"} << 99;
            row("button to unlisted text box keeps hand")
                << withFile << "" << QStringList{"PushButton1", "Text1"} << 99;
            row("label to surface") << withFile << "" << QStringList{"PushButton2", "Label1", "surface"} << 0;
            row("hourglass on window kept over button") << withFile << "window" << hoverButton << 11;
            row("hourglass on window kept over surface") << withFile << "window" << QStringList{"surface"} << 11;
            row("application busy pointer kept") << withFile << "application" << hoverButton << 11;
        }
    }
    void pointerConvention()
    {
        QFETCH(bool, withFile);
        QFETCH(QString, busy);
        QFETCH(QStringList, moves);
        QFETCH(int, state);
        if (withFile)
            putFile(HandPointer::cursorFilePath(), shipped(QStringLiteral("HAND-M.CUR")));

        TestWindow form;
        QTreeView *list = form.list();
        HandPointer *pointer = HandPointer::apply(
            form.window, {form.control("PushButton1"), form.control("PushButton2")}, {&form.window, list});
        // A second load replaces the first set-up.
        pointer = HandPointer::apply(form.window, {form.control("PushButton1"), form.control("PushButton2")},
                                     {&form.window, list});
        QCOMPARE(form.window.findChildren<HandPointer *>().size(), 1);
        QCOMPARE(pointer->hasOwnImage(), withFile);
        form.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.window));
        if (busy == QLatin1String("window"))
            form.window.setCursor(Qt::WaitCursor);
        else if (busy == QLatin1String("application"))
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);

        QTest::mouseMove(&form.window, QPoint(390, 5)); // start on the bare surface
        for (const QString &move : moves) {
            if (move == QLatin1String("surface"))
                QTest::mouseMove(&form.window, QPoint(390, 70));
            else if (move == QLatin1String("list"))
                QTest::mouseMove(list->viewport(), list->viewport()->rect().center());
            else if (move == QLatin1String("header"))
                QTest::mouseMove(list->header(), QPoint(10, 5));
            else
                QTest::mouseMove(form.control(move));
        }

        QCOMPARE(pointer->MousePointer(), state);
        if (busy == QLatin1String("window")) {
            QCOMPARE(form.window.cursor().shape(), Qt::WaitCursor);
        } else if (state == 99 && withFile) {
            QCOMPARE(form.window.cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(form.window.cursor().hotSpot(),
                     HandPointer::loadCursorFile(HandPointer::cursorFilePath())->hotSpot());
        } else {
            QCOMPARE(form.window.cursor().shape(), Qt::ArrowCursor); // the default arrow
        }
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
