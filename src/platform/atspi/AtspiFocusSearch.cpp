#include "platform/atspi/AtspiFocusSearch.h"

#include <QElapsedTimer>

#include <atspi/atspi.h>

namespace {

constexpr int searchDepth = 40;

struct Budget {
    QElapsedTimer timer;
    qint64 ms = 0;
};

bool spent(const Budget& budget) {
    return budget.timer.elapsed() > budget.ms;
}

AtspiAccessible* searchBelow(AtspiAccessible* node, int depth, const Budget& budget) {
    if (spent(budget) || depth > searchDepth) {
        return nullptr;
    }
    if (AtspiFocusSearch::hasState(node, ATSPI_STATE_FOCUSED)) {
        return static_cast<AtspiAccessible*>(g_object_ref(node));
    }
    const int children = atspi_accessible_get_child_count(node, nullptr);
    for (int i = 0; i < children && !spent(budget); ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
        if (child == nullptr) {
            continue;
        }
        AtspiAccessible* found = searchBelow(child, depth + 1, budget);
        g_object_unref(child);
        if (found != nullptr) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

namespace AtspiFocusSearch {

Result search(qint64 budgetMs) {
    Budget budget;
    budget.ms = budgetMs;
    budget.timer.start();
    Result result;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    const int apps = atspi_accessible_get_child_count(desktop, nullptr);
    int a = 0;
    for (; a < apps && result.focus == nullptr && !spent(budget); ++a) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, a, nullptr);
        if (app == nullptr) {
            continue;
        }
        const int windows = atspi_accessible_get_child_count(app, nullptr);
        for (int w = 0; w < windows && result.focus == nullptr && !spent(budget); ++w) {
            AtspiAccessible* window = atspi_accessible_get_child_at_index(app, w, nullptr);
            if (window != nullptr && hasState(window, ATSPI_STATE_ACTIVE)) {
                if (result.activeApp == nullptr) {
                    result.activeApp = static_cast<AtspiAccessible*>(g_object_ref(app));
                }
                result.focus = searchBelow(window, 0, budget);
            }
            if (window != nullptr) {
                g_object_unref(window);
            }
        }
        g_object_unref(app);
    }
    result.complete = a == apps && !spent(budget);
    g_object_unref(desktop);
    return result;
}

void release(Result& result) {
    g_clear_object(&result.focus);
    g_clear_object(&result.activeApp);
}

bool askToBuildTree(AtspiAccessible* app) {
    // An application too busy to name its toolkit may well be Chromium building already; asking
    // another toolkit costs one call.
    gchar* toolkit = atspi_accessible_get_toolkit_name(app, nullptr);
    const bool mayBuild = toolkit == nullptr || g_strcmp0(toolkit, "Chromium") == 0;
    g_free(toolkit);
    if (!mayBuild) {
        return false;
    }
    // WORKAROUND: Chromium, and so every Electron application, registers with nothing below its
    // window frames until an assistive technology reads an object's attributes (screen readers
    // do, little else does). That read switches on its whole accessibility mode, web content
    // included, in this one process; see AtkGetAttributes in
    // https://chromium.googlesource.com/chromium/src/+/main/ui/accessibility/platform/ax_platform_node_auralinux.cc
    GHashTable* attributes = atspi_accessible_get_attributes(app, nullptr);
    if (attributes != nullptr) {
        g_hash_table_unref(attributes);
    }
    return true;
}

bool hasState(AtspiAccessible* accessible, int state) {
    AtspiStateSet* states = atspi_accessible_get_state_set(accessible);
    if (states == nullptr) {
        return false;
    }
    const bool contains = atspi_state_set_contains(states, static_cast<AtspiStateType>(state)) != 0;
    g_object_unref(states);
    return contains;
}

} // namespace AtspiFocusSearch
