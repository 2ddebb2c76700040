#pragma once

#include "app/window/ControlWidgets.h"
#include "app/window/QtWindowFields.h"
#include "window/Form1.h"
#include "window/Form3.h"

#include <QListWidget>
#include <QString>
#include <QWidget>

namespace printbench::app {

// The folders of one folder: ".." (none at a root), then its subfolders by name. Its "path"
// property is that folder, absolute; the window's fields read it as Dir1's text.
class FolderList : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)

public:
    using QListWidget::QListWidget;

    QString path() const { return m_path; }
    void setPath(const QString& folder) { enter(folder); }

    // Lists `folder` and makes it the path; false, with nothing changed, when it is not a
    // folder that can be listed and entered.
    bool enter(const QString& folder);
    // Lists the path's folders again: some may have come or gone.
    void refresh();
    // The folder an entry leads to: the parent for "..", otherwise the subfolder.
    QString target(const QListWidgetItem* item) const;

signals:
    void pathChanged(const QString& path);

private:
    QString m_path;
};

template <>
struct ControlWidget<window::BitmapControl::Dir1> {
    using type = FolderList;
};

// The bitmap window "비트맵 이미지 출력", built from its control table. Widgets hold the
// folder, the files and the selection; the rules live in Form3, which prints through the main
// window's Form1. "Close" hides the window and empties the selection; the title-bar close box
// destroys it.
class BitmapWindow : public QWidget {
    Q_OBJECT

public:
    explicit BitmapWindow(window::Form1& main, QWidget* parent = nullptr);
    ~BitmapWindow() override;

    window::Form3& form() { return m_form; }
    // A control of the window by its id, with its class (widget<BitmapControl::Dir1>() is the
    // FolderList).
    template <window::BitmapControl id>
    auto* widget() const
    {
        return m_widgets.get<id>();
    }

protected:
    void showEvent(QShowEvent* event) override;
    // The title and the captions follow the language.
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void fillDrives();
    void showDriveOf(const QString& folder);
    void fillFiles();
    // The user's change of folder: the lists follow, then the labels.
    void goTo(const QString& folder);
    void connectHandlers();

    FolderList* folders() const { return widget<window::BitmapControl::Dir1>(); }
    QListWidget* files() const { return widget<window::BitmapControl::File1>(); }

    ControlWidgets<window::BitmapControl> m_widgets;
    QtWindowFields m_fields;
    window::Form3 m_form;
};

}  // namespace printbench::app
