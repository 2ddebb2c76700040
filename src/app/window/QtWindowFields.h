#pragma once

#include "window/WindowFields.h"

#include <QWidget>

#include <map>

namespace printbench::app {

// The main window's widgets as the core's fields. Setting a value emits no signal that the
// window routes to a handler: the core runs handlers itself.
class QtWindowFields : public window::WindowFields {
public:
    using Control = window::Control;

    void bind(Control c, QWidget* widget) { m_widgets[c] = widget; }
    QWidget* widget(Control c) const;

    std::string text(Control c) const override;
    void setText(Control c, const std::string& text) override;
    void setMessage(Control c, const window::Message& message) override;
    int listCount(Control c) const override;
    std::string listItem(Control c, int index) const override;
    void addListItem(Control c, const std::string& item) override;
    void removeListItem(Control c, int index) override;
    int listIndex(Control c) const override;
    void setListIndex(Control c, int index) override;
    bool checked(Control c) const override;
    void setChecked(Control c, bool on) override;
    void setEnabled(Control c, bool enabled) override;
    bool isEnabled(Control c) const override;

private:
    std::map<Control, QWidget*> m_widgets;
};

}  // namespace printbench::app
