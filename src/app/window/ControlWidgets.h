#pragma once

#include "app/i18n/Language.h"
#include "window/ControlTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>
#include <span>
#include <vector>

namespace printbench::app {

// The Qt class of each kind of control.
template <window::ControlKind>
struct KindWidget;
// clang-format off
template <> struct KindWidget<window::ControlKind::MultiLineText> { using type = QPlainTextEdit; };
template <> struct KindWidget<window::ControlKind::Label>         { using type = QLabel; };
template <> struct KindWidget<window::ControlKind::DropDownList>  { using type = QComboBox; };
template <> struct KindWidget<window::ControlKind::Text>          { using type = QLineEdit; };
template <> struct KindWidget<window::ControlKind::ReadOnlyText>  { using type = QLineEdit; };
template <> struct KindWidget<window::ControlKind::CheckBox>      { using type = QCheckBox; };
template <> struct KindWidget<window::ControlKind::Button>        { using type = QPushButton; };
template <> struct KindWidget<window::ControlKind::ListBox>       { using type = QListWidget; };
// clang-format on

// The Qt class of a control: its kind's, or a class of its own that the window makes for it
// (declared beside that class, as BitmapWindow's folder list is).
template <auto id>
struct ControlWidget {
    using type = typename KindWidget<window::kindOf(id)>::type;
};

// Makes one row's widget, of its kind's class unless `own` is given (a label, drop-down list or
// list of a class of its own): named, placed and, labels and buttons, captioned with the
// translation context `context`.
inline QWidget* makeControl(const window::ControlSpec& row, QWidget* window, const char* context,
                            QWidget* own = nullptr)
{
    using ControlKind = window::ControlKind;
    const QString caption = QString::fromUtf8(row.caption);
    QWidget* w = own;
    switch (row.kind) {
    case ControlKind::MultiLineText: {
        auto* edit = new QPlainTextEdit(window);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setTabChangesFocus(true);
        w = edit;
        break;
    }
    case ControlKind::Label:
        if (!w) w = new QLabel(window);
        break;
    case ControlKind::DropDownList:
        if (!w) w = new QComboBox(window);
        break;
    case ControlKind::Text:
    case ControlKind::ReadOnlyText: {
        auto* edit = new QLineEdit(caption, window);
        edit->setReadOnly(row.kind == ControlKind::ReadOnlyText);
        w = edit;
        break;
    }
    case ControlKind::CheckBox: w = new QCheckBox(window); break;
    case ControlKind::Button: w = new QPushButton(window); break;
    case ControlKind::ListBox:
        if (!w) w = new QListWidget(window);
        static_cast<QListWidget*>(w)->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        break;
    }
    if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) setSourceText(w, caption, context);
    w->setObjectName(QString::fromUtf8(row.name));
    w->setGeometry(row.left, row.top, row.width, row.height);
    return w;
}

// A window's controls, made from its control table as children of the window in the table's
// order (the tab order), and reached by id with their class: a control renamed or of another
// kind fails to compile where it is used.
template <typename Id>
class ControlWidgets {
public:
    // `own` may make a control of a class of its own; it returns nullptr for the others.
    void build(QWidget* window, std::span<const window::ControlSpec> table, const char* context,
               const std::function<QWidget*(Id, QWidget*)>& own = {})
    {
        for (std::size_t i = 0; i < table.size(); ++i)
            m_widgets.push_back(
                makeControl(table[i], window, context, own ? own(static_cast<Id>(i), window) : nullptr));
    }

    template <Id id>
    typename ControlWidget<id>::type* get() const
    {
        // The table's row `id` was made of this class (or by `own`, of the class declared for it).
        return static_cast<typename ControlWidget<id>::type*>((*this)[id]);
    }
    QWidget* operator[](Id id) const { return m_widgets.at(static_cast<std::size_t>(id)); }

private:
    std::vector<QWidget*> m_widgets;
};

}  // namespace printbench::app
