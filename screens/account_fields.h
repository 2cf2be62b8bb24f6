// The text fields of the Login and CreateAcc screens and the sub-screens
// (loginStep values) they lead through. Both screens type through here.
#pragma once

#include <cstdint>
#include <string>

#include "online/account.h"

// A key typed on the Login or CreateAcc screen: edits or submits the field
// of the current loginStep, if it has one.
void typeIntoAccountField(int32_t virtualKey, bool upperCase);
// The current screen and loginStep show a text field that takes typed keys.
bool typingIntoAccountField();
// The Login screen hides the cursor while it connects or logs in.
bool loginHidesCursor();
