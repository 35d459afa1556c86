// The Qt implementations of the platform services that the program's window brings.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtHelpViewer.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtWindow.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using QtServicesTest = ChordlaneTest;

TEST_F(QtServicesTest, FileFiltersBecomeQtNameFilters) {
    const QStringList filters = QtDialogs::NameFilters(
        {{u"Chordlane Instrument (*.clx,*.cly)", u"*.clx;*.cly"}, {u"Wave Files", u"*.wav"}});
    EXPECT_EQ(filters,
              (QStringList{QStringLiteral("Chordlane Instrument (*.clx,*.cly) (*.clx *.cly)"),
                           QStringLiteral("Wave Files (*.wav)")}));
}

TEST_F(QtServicesTest, ChosenNamesLongerThanTheProgramsBufferCountAsCancelled) {
    const QString longest(QtDialogs::MAX_NAME, QLatin1Char('a'));
    EXPECT_EQ(QtDialogs::AcceptChosenName(longest), String(129, u'a'));
    EXPECT_EQ(QtDialogs::AcceptChosenName(longest + QLatin1Char('a')), std::nullopt);
    EXPECT_EQ(QtDialogs::AcceptChosenName(QString()), std::nullopt);
    EXPECT_EQ(QtDialogs::AcceptChosenName(QStringLiteral("/x/\u00E9.clx")), u"/x/\u00E9.clx");
}

TEST_F(QtServicesTest, RepaintAreasAreScaledByTheZoomAndKeptInsideTheView) {
    QWidget view;
    view.resize(480, 640);
    QtWindow window(nullptr, &view, nullptr, 2);
    // Right and bottom edges belong to the element, so they are repainted too.
    EXPECT_EQ(window.WidgetArea({10, 20, 30, 40}), QRect(20, 40, 42, 42));
    EXPECT_EQ(window.WidgetArea({0, 0, 239, 319}), QRect(0, 0, 480, 640));
    EXPECT_EQ(window.WidgetArea({-100, -5, INT32_MAX, INT32_MAX}), QRect(0, 0, 480, 640));
    EXPECT_TRUE(window.WidgetArea({300, 0, 400, 10}).isEmpty());
    EXPECT_TRUE(window.WidgetArea({30, 0, 10, 10}).isEmpty());
}

TEST_F(QtServicesTest, HelpOpensTheProgramFoldersDocumentOnly) {
    std::vector<QUrl> opened;
    QtHelpViewer help([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    help.SetProgramFolder(TempFolder());
    EXPECT_FALSE(help.Open(u"chordlane_help.htm"));  // not there: no browser for nothing
    const auto path = WriteFile("chordlane_help.htm", "<html></html>");
    EXPECT_TRUE(help.Open(u"chordlane_help.htm"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(path.string())));
}

TEST_F(QtServicesTest, StopMessageHasCriticalIconNoCaptionAndNoTrailingEmptyLine) {
    QtMessageBox messages;
    QString seen;  // caption, text and icon of the box shown
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon());
        box->accept();
    });
    messages.ShowStop(u"Could not load: gtr.wav\n");
    EXPECT_EQ(seen, QStringLiteral("|Could not load: gtr.wav|%1").arg(QMessageBox::Critical));
}

}  // namespace
}  // namespace chordlane::test
