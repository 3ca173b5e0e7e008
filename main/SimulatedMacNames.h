#pragma once

namespace kestrune {

// The Mac of the scenarios and of the pictures is Ada's, with an account of her own: what they print and
// draw reads the same on every machine that plays or draws them, and never names the account or the
// computer of whoever runs them.
inline constexpr const char* kSimulatedComputerName = "Ada's MacBook Pro";
inline constexpr const char* kSimulatedAccountName = "ada";
// The application's icon (an image of the bundle), which the simulated desktop shows on its alerts.
inline constexpr const char* kApplicationIconImage = "logo_rectangle_2";

// Gives the simulated Mac those names (KESTRUNE_COMPUTER_NAME, KESTRUNE_USER_NAME) unless the environment
// already names them. Before the simulated session is made: its account is made with the name.
void nameTheSimulatedMac();

}  // namespace kestrune
