#pragma once

class MainMenu;

// The standard about box: "Palimo", its version and build number.
namespace AboutBox {

// Opens the box, or brings the open one to the front. Never waits for it to close.
void show(const MainMenu& mainMenu);

} // namespace AboutBox
