// The text fields of the Login and CreateAcc screens and the sub-screens
// (loginStep values) they lead through. Both screens type through here.
#pragma once

#include <cstdint>
#include <string>

// Sub-screens of Login and CreateAcc that own a text field or follow one.
constexpr int32_t nameStep = 1, passwordStep = 2, retypeStep = 3, mismatchStep = 5,
                  checkNameStep = 8, registerStep = 9, loggingInStep = 13, emailStep = 20;
// Sub-screens during which the Login screen hides the cursor.
constexpr int32_t connectingStep = 12;

// Starts the login once the password is entered; set by the online client, null until then.
extern void (*startLoginRequest)();
// Width of a field's shown text in the account font (an estimate until it
// is loaded); a test may measure with a font of its own.
extern float (*measureFieldText)(const std::string& text);

// A key typed on the Login or CreateAcc screen: edits or submits the field
// of the current loginStep, if it has one.
void typeIntoAccountField(int32_t virtualKey, bool upperCase);
// The Login screen hides the cursor while it connects or logs in.
bool loginHidesCursor();
