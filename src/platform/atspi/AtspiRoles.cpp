#include "platform/atspi/AtspiRoles.h"

#include <atspi/atspi-constants.h>

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <numeric>

namespace {

const QHash<int, QString>& fixedNames() {
    static const QHash<int, QString> names = {
        {ATSPI_ROLE_PASSWORD_TEXT, QStringLiteral("AXSecureTextField")},
        {ATSPI_ROLE_TERMINAL, QStringLiteral("AXTerminal")},
        {ATSPI_ROLE_SPIN_BUTTON, QStringLiteral("AXIncrementor")},
        {ATSPI_ROLE_PUSH_BUTTON, QStringLiteral("AXButton")},
        {ATSPI_ROLE_TOGGLE_BUTTON, QStringLiteral("AXCheckBox")},
        {ATSPI_ROLE_CHECK_BOX, QStringLiteral("AXCheckBox")},
        {ATSPI_ROLE_RADIO_BUTTON, QStringLiteral("AXRadioButton")},
        {ATSPI_ROLE_PAGE_TAB, QStringLiteral("AXRadioButton")},
        {ATSPI_ROLE_PAGE_TAB_LIST, QStringLiteral("AXTabGroup")},
        {ATSPI_ROLE_LABEL, QStringLiteral("AXStaticText")},
        {ATSPI_ROLE_STATIC, QStringLiteral("AXStaticText")},
        {ATSPI_ROLE_LINK, QStringLiteral("AXLink")},
        {ATSPI_ROLE_IMAGE, QStringLiteral("AXImage")},
        {ATSPI_ROLE_LIST, QStringLiteral("AXList")},
        {ATSPI_ROLE_LIST_BOX, QStringLiteral("AXList")},
        {ATSPI_ROLE_LIST_ITEM, QStringLiteral("AXCell")},
        {ATSPI_ROLE_TABLE, QStringLiteral("AXTable")},
        {ATSPI_ROLE_TABLE_CELL, QStringLiteral("AXCell")},
        {ATSPI_ROLE_TREE, QStringLiteral("AXOutline")},
        {ATSPI_ROLE_TREE_TABLE, QStringLiteral("AXOutline")},
        {ATSPI_ROLE_MENU, QStringLiteral("AXMenu")},
        {ATSPI_ROLE_MENU_BAR, QStringLiteral("AXMenuBar")},
        {ATSPI_ROLE_MENU_ITEM, QStringLiteral("AXMenuItem")},
        {ATSPI_ROLE_CHECK_MENU_ITEM, QStringLiteral("AXMenuItem")},
        {ATSPI_ROLE_RADIO_MENU_ITEM, QStringLiteral("AXMenuItem")},
        {ATSPI_ROLE_SLIDER, QStringLiteral("AXSlider")},
        {ATSPI_ROLE_SCROLL_BAR, QStringLiteral("AXScrollBar")},
        {ATSPI_ROLE_SCROLL_PANE, QStringLiteral("AXScrollArea")},
        {ATSPI_ROLE_SPLIT_PANE, QStringLiteral("AXSplitGroup")},
        {ATSPI_ROLE_PROGRESS_BAR, QStringLiteral("AXProgressIndicator")},
        {ATSPI_ROLE_TOOL_BAR, QStringLiteral("AXToolbar")},
        {ATSPI_ROLE_PANEL, QStringLiteral("AXGroup")},
        {ATSPI_ROLE_FILLER, QStringLiteral("AXGroup")},
        {ATSPI_ROLE_FRAME, QStringLiteral("AXWindow")},
        {ATSPI_ROLE_WINDOW, QStringLiteral("AXWindow")},
        {ATSPI_ROLE_DIALOG, QStringLiteral("AXWindow")},
        {ATSPI_ROLE_HEADING, QStringLiteral("AXHeading")},
        {ATSPI_ROLE_DOCUMENT_WEB, QStringLiteral("AXWebArea")},
        {ATSPI_ROLE_DOCUMENT_FRAME, QStringLiteral("AXWebArea")},
        {ATSPI_ROLE_APPLICATION, QStringLiteral("AXApplication")},
    };
    return names;
}

QString camelCase(const QString& atspiName) {
    const QStringList words =
        atspiName.split(QRegularExpression(QStringLiteral("[ _-]+")), Qt::SkipEmptyParts);
    const QString result = std::accumulate(words.begin(), words.end(), QString(),
                                           [](const QString& sum, const QString& word) {
                                               return sum + word.left(1).toUpper() + word.mid(1);
                                           });
    return result.isEmpty() ? QStringLiteral("Unknown") : result;
}

} // namespace

namespace AtspiRoles {

QString axRole(const Element& element) {
    switch (element.role) {
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
        if (element.readOnly && !element.editable) {
            // Read-only text (a log view, a selectable label): taking it whole would paste
            // into something that cannot take it. Only when the application says so: some
            // report a field's editable state late (Chromium, right after a focus change).
            return QStringLiteral("AXStaticText");
        }
        // GTK and Qt use "text" for one-line and multi-line fields alike.
        return element.multiLine ? QStringLiteral("AXTextArea") : QStringLiteral("AXTextField");
    case ATSPI_ROLE_COMBO_BOX:
        // A combo box without an editable field is a choice of fixed items.
        return element.editable ? QStringLiteral("AXComboBox") : QStringLiteral("AXPopUpButton");
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_EDITBAR:
        // Rich editors and editable web content: text areas only where they take typing.
        if (element.editable) {
            return QStringLiteral("AXTextArea");
        }
        break;
    default:
        break;
    }
    const auto found = fixedNames().constFind(element.role);
    if (found != fixedNames().constEnd()) {
        return *found;
    }
    return QStringLiteral("AX") + camelCase(element.roleName);
}

} // namespace AtspiRoles
