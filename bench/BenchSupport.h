#pragma once

// What the benchmark programs share: the main window's fields kept in memory.

#include "shell/WindowFields.h"

#include <map>
#include <string>
#include <vector>

namespace printbench::bench {

// The window's fields kept in memory; no handler runs on a change.
class Fields : public shell::WindowFields {
public:
    using Control = shell::Control;
    std::string text(Control c) const override { return get(c).text; }
    void setText(Control c, const std::string& t) override { m_f[c].text = t; }
    int listCount(Control c) const override { return static_cast<int>(get(c).items.size()); }
    std::string listItem(Control c, int i) const override { return get(c).items.at(static_cast<std::size_t>(i)); }
    void addListItem(Control c, const std::string& item) override { m_f[c].items.push_back(item); }
    void removeListItem(Control c, int i) override { m_f[c].items.erase(m_f[c].items.begin() + i); }
    int listIndex(Control c) const override { return get(c).index; }
    void setListIndex(Control c, int i) override { m_f[c].index = i; }
    bool checked(Control) const override { return false; }
    void setEnabled(Control c, bool on) override { m_f[c].enabled = on; }
    bool isEnabled(Control c) const override { return get(c).enabled; }

private:
    struct Field {
        std::string text;
        std::vector<std::string> items;
        int index = -1;
        bool enabled = true;
    };
    const Field& get(Control c) const
    {
        static const Field none;
        const auto it = m_f.find(c);
        return it == m_f.end() ? none : it->second;
    }
    std::map<Control, Field> m_f;
};

} // namespace printbench::bench
