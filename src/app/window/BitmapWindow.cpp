#include "app/window/BitmapWindow.h"

#include "app/i18n/Language.h"
#include "window/ControlTable.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStorageInfo>
#include <QStyle>

#include <string_view>

namespace printbench::app {

using window::Control;
using window::ControlKind;
using window::ControlSpec;
using window::Form3;

namespace {

QWidget* makeControl(const ControlSpec& row, QWidget* parent)
{
    const QString caption = QString::fromUtf8(row.caption);
    QWidget* w = nullptr;
    switch (row.kind) {
    case ControlKind::DropDownList: w = new QComboBox(parent); break;
    case ControlKind::Button: w = new QPushButton(parent); break;
    case ControlKind::ListBox: {
        auto* list = std::string_view(row.name) == "Dir1" ? new FolderList(parent) : new QListWidget(parent);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        w = list;
        break;
    }
    case ControlKind::Label:
    default: {  // the window has no other kind of control
        // Labels wrap their text from the top, as the help text and the folder need.
        auto* label = new QLabel(parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = label;
        break;
    }
    }
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) setSourceText(w, caption, "Form3");
    w->setObjectName(QString::fromUtf8(row.name));
    w->setGeometry(row.left, row.top, row.width, row.height);
    return w;
}

bool canEnter(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

} // namespace

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
    if (!dir.isRoot()) addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogToParent), QStringLiteral("..")));
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

QWidget* BitmapWindow::control(const char* name) const
{
    return findChild<QWidget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
}

FolderList* BitmapWindow::folders() const
{
    return static_cast<FolderList*>(control("Dir1"));
}

QListWidget* BitmapWindow::files() const
{
    return static_cast<QListWidget*>(control("File1"));
}

void BitmapWindow::buildControls()
{
    // Made in tab order, so the focus chain is the table's order.
    for (const ControlSpec& row : window::bitmapWindowControls()) makeControl(row, this);

    const std::pair<Control, const char*> bound[] = {
        {Control::Dir1, "Dir1"},          {Control::File1, "File1"},     {Control::Form3List1, "List1"},
        {Control::Form3List2, "List2"},   {Control::Label2, "Label2"},   {Control::Label11, "Label11"},
        {Control::Label12, "Label12"},
    };
    for (const auto& [c, name] : bound) m_fields.bind(c, control(name));
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
    auto* drives = static_cast<QComboBox*>(control("Drive1"));
    drives->clear();
    drives->addItems(roots);
}

void BitmapWindow::showDriveOf(const QString& folder)
{
    auto* drives = static_cast<QComboBox*>(control("Drive1"));
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

    auto* drives = static_cast<QComboBox*>(control("Drive1"));
    connect(drives, &QComboBox::activated, this, [this, drives](int index) { goTo(drives->itemText(index)); });

    connect(files(), &QListWidget::itemDoubleClicked, this,
            [&f](QListWidgetItem* item) { f.File1_DblClick(item->text().toStdString()); });
    connect(static_cast<QListWidget*>(control("List1")), &QListWidget::itemDoubleClicked, this,
            [&f] { f.List1_DblClick(); });

    connect(static_cast<QPushButton*>(control("Command1")), &QPushButton::clicked, this, [&f] { f.Command1_Click(); });
    connect(static_cast<QPushButton*>(control("Command2")), &QPushButton::clicked, this, [this, &f] {
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

} // namespace printbench::app
