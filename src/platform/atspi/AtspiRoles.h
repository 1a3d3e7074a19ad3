#pragma once

#include <QString>

// Maps AT-SPI roles to the accessibility role names Palimo's logic speaks ("AXTextField", ...).
namespace AtspiRoles {

struct Element {
    int role = 0;           // an AtspiRole value
    bool multiLine = false; // ATSPI_STATE_MULTI_LINE
    bool editable = false;  // ATSPI_STATE_EDITABLE
    QString roleName;       // atspi_role_get_name(), for roles without a counterpart
    bool readOnly = false;  // ATSPI_STATE_READ_ONLY
};

// A password field is never a text field ("AXSecureTextField"), nor is read-only text
// ("AXStaticText") or a combo box without an editable field ("AXPopUpButton"); a terminal is
// "AXTerminal";
// a role without a counterpart becomes "AX" plus its AT-SPI name in camel case.
QString axRole(const Element& element);

} // namespace AtspiRoles
