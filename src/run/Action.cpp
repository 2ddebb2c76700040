#include "run/Action.h"

namespace printbench::run {

namespace {

const ActionName& named(Action action)
{
    for (const ActionName& n : kActionNames)
        if (n.action == action) return n;
    return kActionNames.front();
}

}  // namespace

std::string_view actionLabel(Action action)
{
    return named(action).label;
}

std::string_view actionId(Action action)
{
    return named(action).id;
}

std::string_view actionEnglish(Action action)
{
    return named(action).english;
}

std::optional<Action> actionById(std::string_view id)
{
    for (const ActionName& n : kActionNames)
        if (n.id == id) return n.action;
    return std::nullopt;
}

std::optional<Action> actionByLabel(std::string_view label)
{
    for (const ActionName& n : kActionNames)
        if (n.label == label) return n.action;
    return std::nullopt;
}

}  // namespace printbench::run
