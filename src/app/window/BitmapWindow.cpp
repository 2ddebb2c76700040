#include "app/window/BitmapWindow.h"

#include "app/i18n/Language.h"
#include "window/ControlTable.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QShowEvent>
#include <QStorageInfo>
#include <QStyle>

namespace printbench::app {

using window::BitmapControl;
using window::Form3;

namespace {

bool canEnter(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

}  // namespace

bool FolderList::enter(const QString& folder)
{
    if (folder.isEmpty()) return false;
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    if (!canEnter(absolute)) return false;
    const bool changed = absolute != m_path;
    m_path = absolute;
    refresh();
    if (changed) emit pathChanged(m_path);
    return true;
}

void FolderList::refresh()
{
    clear();
    const QDir dir(m_path);
    if (!dir.isRoot())
        addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogToParent), QStringLiteral("..")));
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        addItem(new QListWidgetItem(folderIcon, name));
}

QString FolderList::target(const QListWidgetItem* item) const
{
    if (!item) return {};
    if (item->text() == QStringLiteral("..")) return QDir::cleanPath(m_path + QStringLiteral("/.."));
    return QDir(m_path).filePath(item->text());
}

BitmapWindow::BitmapWindow(window::Form1& main, QWidget* parent)
    : QWidget(parent, Qt::Window), m_form(main, m_fields, ".")
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("비트맵 이미지 출력"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(window::kBitmapClientWidth, window::kBitmapClientHeight);
    QFont compact(QStringLiteral("Noto Sans CJK KR"));
    compact.setPixelSize(11);
    setFont(compact);

    buildControls();
    fillDrives();
    // The working directory, or the root when it cannot be listed (it may have been removed).
    if (!folders()->enter(QDir::currentPath())) folders()->enter(QDir::rootPath());
    fillFiles();
    showDriveOf(folders()->path());
    m_form.Form_Load();
    connectHandlers();
    files()->setFocus();
}

BitmapWindow::~BitmapWindow() = default;

void BitmapWindow::buildControls()
{
    // Made in tab order, so the focus chain is the table's order. Labels wrap their text from
    // the top, as the help text and the folder need.
    m_widgets.build(this, window::bitmapWindowControls(), "Form3", [](BitmapControl id, QWidget* parent) -> QWidget* {
        if (id == BitmapControl::Dir1) return new FolderList(parent);
        if (window::kindOf(id) != window::ControlKind::Label) return nullptr;
        auto* label = new QLabel(parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    });
    for (const auto& [field, id] : window::kBitmapFields) m_fields.bind(field, m_widgets[id]);
}

void BitmapWindow::fillDrives()
{
    // The mounted file systems that can be listed, by path: "/" sorts first.
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && canEnter(volume.rootPath())) roots << volume.rootPath();
    }
    if (!roots.contains(QDir::rootPath())) roots << QDir::rootPath();
    roots.sort();
    roots.removeDuplicates();
    QComboBox* drives = widget<BitmapControl::Drive1>();
    drives->clear();
    drives->addItems(roots);
}

void BitmapWindow::showDriveOf(const QString& folder)
{
    QComboBox* drives = widget<BitmapControl::Drive1>();
    drives->setCurrentIndex(drives->findText(QStorageInfo(folder).rootPath()));
}

void BitmapWindow::fillFiles()
{
    QListWidget* list = files();
    list->clear();
    // Name filters match regardless of case: "B.BMP" is listed as "a.bmp" is.
    const QDir dir(folders()->path());
    list->addItems(dir.entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void BitmapWindow::goTo(const QString& folder)
{
    const QString before = folders()->path();
    if (!folders()->enter(folder)) {
        // Gone or closed to this user: the lists show what is there now.
        QApplication::beep();
        folders()->refresh();
        fillFiles();
        showDriveOf(folders()->path());
        return;
    }
    if (folders()->path() != before) m_form.Dir1_Change();
}

void BitmapWindow::connectHandlers()
{
    Form3& f = m_form;
    connect(folders(), &FolderList::pathChanged, this, [this](const QString& path) {
        fillFiles();
        showDriveOf(path);
    });
    connect(folders(), &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { goTo(folders()->target(item)); });

    QComboBox* drives = widget<BitmapControl::Drive1>();
    connect(drives, &QComboBox::activated, this, [this, drives](int index) { goTo(drives->itemText(index)); });

    connect(files(), &QListWidget::itemDoubleClicked, this,
            [&f](QListWidgetItem* item) { f.File1_DblClick(item->text().toStdString()); });
    connect(widget<BitmapControl::List1>(), &QListWidget::itemDoubleClicked, this, [&f] { f.List1_DblClick(); });

    connect(widget<BitmapControl::Command1>(), &QPushButton::clicked, this, [&f] { f.Command1_Click(); });
    connect(widget<BitmapControl::Command2>(), &QPushButton::clicked, this, [this, &f] {
        f.Command2_Click();
        hide();
    });
}

void BitmapWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        // Shown again after "Close": the same folder, listed as it is now.
        folders()->refresh();
        fillFiles();
        files()->setFocus();
    }
    QWidget::showEvent(event);
}

void BitmapWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(tr("비트맵 이미지 출력"));
        retranslateTexts(this);
    }
    QWidget::changeEvent(event);
}

}  // namespace printbench::app
