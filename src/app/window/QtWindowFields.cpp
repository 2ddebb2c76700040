#include "app/window/QtWindowFields.h"

#include "app/i18n/Language.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace printbench::app {

using window::Control;

QWidget* QtWindowFields::widget(Control c) const
{
    const auto it = m_widgets.find(c);
    return it == m_widgets.end() ? nullptr : it->second;
}

std::string QtWindowFields::text(Control c) const
{
    QWidget* w = widget(c);
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text().toStdString();
    if (auto* multi = qobject_cast<QPlainTextEdit*>(w)) {
        // The multi-line field holds its line breaks as CR LF, as a classic text box does.
        QString t = multi->toPlainText();
        t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        return t.toStdString();
    }
    // A label shows its text in the window's language; the program reads what it wrote.
    if (auto* label = qobject_cast<QLabel*>(w)) return sourceText(label).toStdString();
    // A folder or file list shows its path in a "path" property.
    if (w && w->property("path").isValid()) return w->property("path").toString().toStdString();
    return {};
}

void QtWindowFields::setMessage(Control c, const window::Message& message)
{
    if (auto* label = qobject_cast<QLabel*>(widget(c))) setSourceMessage(label, message);
    else setText(c, message.text());
}

void QtWindowFields::setText(Control c, const std::string& text)
{
    QWidget* w = widget(c);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(QString::fromStdString(text));
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(w)) {
        QString t = QString::fromStdString(text);
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        multi->setPlainText(t);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        setSourceText(label, QString::fromStdString(text));
    } else if (w && w->property("path").isValid()) {
        w->setProperty("path", QString::fromStdString(text));
    }
}

int QtWindowFields::listCount(Control c) const
{
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
    return 0;
}

std::string QtWindowFields::listItem(Control c, int index) const
{
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->itemText(index).toStdString();
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        const QListWidgetItem* item = list->item(index);
        return item ? item->text().toStdString() : std::string();
    }
    return {};
}

void QtWindowFields::addListItem(Control c, const std::string& item)
{
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // A drop-down list shows no entry until one is chosen.
        const QSignalBlocker block(combo);
        const int keep = combo->count() == 0 ? -1 : combo->currentIndex();
        combo->addItem(QString::fromStdString(item));
        combo->setCurrentIndex(keep);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->addItem(QString::fromStdString(item));
    }
}

void QtWindowFields::removeListItem(Control c, int index)
{
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (index >= 0 && index < combo->count()) combo->removeItem(index);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        delete list->takeItem(index);
    }
}

int QtWindowFields::listIndex(Control c) const
{
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentRow();
    return -1;
}

void QtWindowFields::setListIndex(Control c, int index)
{
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->setCurrentRow(index);
    }
}

bool QtWindowFields::checked(Control c) const
{
    auto* button = qobject_cast<QAbstractButton*>(widget(c));
    return button && button->isChecked();
}

void QtWindowFields::setChecked(Control c, bool on)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget(c))) {
        const QSignalBlocker quiet(button);  // the core runs the Click handler itself
        button->setChecked(on);
    }
}

void QtWindowFields::setEnabled(Control c, bool enabled)
{
    if (QWidget* w = widget(c)) w->setEnabled(enabled);
}

bool QtWindowFields::isEnabled(Control c) const
{
    QWidget* w = widget(c);
    return w && w->isEnabled();
}

}  // namespace printbench::app
