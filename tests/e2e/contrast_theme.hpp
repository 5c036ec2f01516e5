#pragma once

// The shared flag that contrast_switch.dll answers SPI_GETHIGHCONTRAST from.
inline constexpr wchar_t kContrastFlagName[] = L"OrvaneE2eHighContrast";
