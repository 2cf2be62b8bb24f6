// The CreateAcc screen: e-mail, name and password of a new account.
#pragma once

#include <cstdint>

void UpdateCreateAcc(float dtMs);
void renderCreateAcc();
void clickCreateAcc(int32_t item);
