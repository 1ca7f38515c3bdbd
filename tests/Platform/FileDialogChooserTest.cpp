#include "FileDialogChooserTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/JournalStore.h"
#include "Platform/FileDialogChooser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QString documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

/// Runs `act` on the file dialog once it is shown (the dialog runs its own event loop meanwhile).
void whenDialogShows(std::function<void(QFileDialog*)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

QLineEdit* fileNameEdit(QFileDialog* dialog)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

QPushButton* acceptButton(QFileDialog* dialog)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return box ? box->button(dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                             : QDialogButtonBox::Open)
               : nullptr;
}

} // namespace

void FileDialogChooserTest::init()
{
    vsp::test::resetUserFolders();
}

void FileDialogChooserTest::exportDialog_offersSuggestedNameInDocuments_data()
{
    QTest::addColumn<JournalStore::ExportFormat>("format");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::newRow("json") << JournalStore::ExportFormat::Json << QStringLiteral("Vesperlog Export.json")
                          << QStringLiteral("JSON (*.json)");
    QTest::newRow("markdown") << JournalStore::ExportFormat::Markdown << QStringLiteral("Vesperlog Export.md")
                              << QStringLiteral("Text (*.md *.markdown *.txt)");
}

void FileDialogChooserTest::exportDialog_offersSuggestedNameInDocuments()
{
    QFETCH(JournalStore::ExportFormat, format);
    QFETCH(QString, name);
    QFETCH(QString, filter);
    FileDialogChooser chooser;
    chooser.setUseNativeDialogs(false);
    QString shownName;
    QString shownFilter;
    QString buttonText;
    bool readOnly = true;
    whenDialogShows([&](QFileDialog* dialog) {
        shownName = fileNameEdit(dialog)->text();
        shownFilter = dialog->selectedNameFilter();
        readOnly = dialog->testOption(QFileDialog::ReadOnly);
        buttonText = acceptButton(dialog) ? acceptButton(dialog)->text() : QString();
        QTest::keyClick(fileNameEdit(dialog), Qt::Key_Return);
    });

    const std::optional<QString> chosen = chooser.chooseExportDestination(format, name);

    QCOMPARE(shownName, name);
    QCOMPARE(shownFilter, filter);
    QVERIFY2(!readOnly, "folders may be created");
    QCOMPARE(buttonText, QStringLiteral("Export"));
    QCOMPARE(chosen, std::optional<QString>(documents() + u'/' + name));
}

void FileDialogChooserTest::exportDialog_typedNameWithoutExtension_getsTheFormats()
{
    FileDialogChooser chooser;
    chooser.setUseNativeDialogs(false);
    whenDialogShows([](QFileDialog* dialog) {
        QLineEdit* edit = fileNameEdit(dialog);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("december"));
        QTest::keyClick(edit, Qt::Key_Return);
    });

    const auto chosen =
        chooser.chooseExportDestination(JournalStore::ExportFormat::Markdown, QStringLiteral("Vesperlog Export.md"));

    QCOMPARE(chosen, std::optional<QString>(documents() + QStringLiteral("/december.md")));
}

void FileDialogChooserTest::importDialog_showsMessageAndButton_andReturnsTheTypedFile()
{
    const QString file = documents() + QStringLiteral("/backup.json");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[]");
    f.close();
    FileDialogChooser chooser;
    chooser.setUseNativeDialogs(false);
    QString title;
    QString buttonText;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    whenDialogShows([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        buttonText = acceptButton(dialog) ? acceptButton(dialog)->text() : QString();
        mode = dialog->fileMode();
        QTest::keyClicks(fileNameEdit(dialog), QStringLiteral("backup.json"));
        QTest::keyClick(fileNameEdit(dialog), Qt::Key_Return);
    });

    const auto chosen =
        chooser.chooseImportFile(QStringLiteral("Choose a Vesperlog JSON backup to import"), QStringLiteral("Import"));

    QCOMPARE(title, QStringLiteral("Choose a Vesperlog JSON backup to import"));
    QCOMPARE(buttonText, QStringLiteral("Import"));
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QCOMPARE(chosen, std::optional<QString>(file));
}

void FileDialogChooserTest::dialogs_cancelled_returnNothing()
{
    FileDialogChooser chooser;
    chooser.setUseNativeDialogs(false);
    whenDialogShows([](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(chooser.chooseImportFile(QStringLiteral("m"), QStringLiteral("Import")), std::nullopt);

    whenDialogShows([](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(chooser.chooseExportDestination(JournalStore::ExportFormat::Json, QStringLiteral("Vesperlog Export.json")),
             std::nullopt);
}

void FileDialogChooserTest::dialogFromAnotherWindow_belongsToIt_andGivesTheKeyboardBack_data()
{
    QTest::addColumn<bool>("import");
    QTest::addColumn<bool>("accept");
    QTest::newRow("import cancelled") << true << false;
    QTest::newRow("export cancelled") << false << false;
    QTest::newRow("export accepted") << false << true;
}

void FileDialogChooserTest::dialogFromAnotherWindow_belongsToIt_andGivesTheKeyboardBack()
{
    QFETCH(bool, import);
    QFETCH(bool, accept);
    // The main window the chooser was made for, and Settings, whose button asks for the dialog.
    QWidget main;
    main.resize(400, 300);
    main.show();
    QWidget settings;
    auto* button = new QPushButton(QStringLiteral("Export as JSON"), &settings);
    new QLineEdit(&settings);
    settings.resize(300, 200);
    settings.show();
    settings.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&settings));
    button->setFocus(Qt::TabFocusReason);
    FileDialogChooser chooser(&main);
    chooser.setUseNativeDialogs(false);
    QWidget* owner = nullptr;
    whenDialogShows([&](QFileDialog* dialog) {
        owner = dialog->parentWidget();
        QTest::keyClick(import || !accept ? static_cast<QWidget*>(dialog) : fileNameEdit(dialog),
                        accept ? Qt::Key_Return : Qt::Key_Escape);
    });

    if (import) {
        chooser.chooseImportFile(QStringLiteral("m"), QStringLiteral("Import"));
    } else {
        chooser.chooseExportDestination(JournalStore::ExportFormat::Json, QStringLiteral("Vesperlog Export.json"));
    }

    QCOMPARE(owner, &settings);
    QTRY_COMPARE(QApplication::activeWindow(), &settings);
    QVERIFY(button->hasFocus());
}

void FileDialogChooserTest::exportThroughTheStore_writesTheChosenFile()
{
    JournalStore store(fixtures::fixtureClock().function());
    JournalEntry e = JournalEntry::create();
    e.title = QStringLiteral("Hello");
    store.addEntry(e);
    FileDialogChooser chooser;
    chooser.setUseNativeDialogs(false);
    store.setFileChooser(&chooser);
    whenDialogShows([](QFileDialog* dialog) { QTest::keyClick(fileNameEdit(dialog), Qt::Key_Return); });

    store.exportEntries(JournalStore::ExportFormat::Markdown);

    QFile written(documents() + QStringLiteral("/Vesperlog Export.md"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().startsWith("# Hello\n\n_"));
}
