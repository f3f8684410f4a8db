#pragma once

// Numbers of the dialog, its controls and the other resources.

constexpr int IDD_PINTESTER_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;
constexpr int ID_HELP = 57670;

constexpr int IDC_STATIC = -1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr int IDC_COMPORT = 1000;
constexpr int IDC_CONNECT = 1001;
constexpr int IDC_DIR_A0 = 1002; // direction buttons 1002-1025, A0..C7
constexpr int IDC_DIR_C7 = 1025;
constexpr int IDC_PIN_A0 = 1026; // state button of A0; A1..C7 are 1030-1052
constexpr int IDC_DIRHEX_A = 1027;
constexpr int IDC_DIRHEX_B = 1028;
constexpr int IDC_DIRHEX_C = 1029;
constexpr int IDC_PIN_A1 = 1030;
constexpr int IDC_PIN_C7 = 1052;
constexpr int IDC_INHEX_A = 1053;
constexpr int IDC_INHEX_B = 1054;
constexpr int IDC_INHEX_C = 1055;
constexpr int IDC_OUTHEX_A = 1056;
constexpr int IDC_OUTHEX_B = 1057;
constexpr int IDC_OUTHEX_C = 1058;
constexpr int IDC_STATUS = 1059;
constexpr int IDC_CONTINUOUS = 1060;
constexpr int IDC_POLL_ONCE = 1061;

// The pin grids: the number of the direction and of the state button of pin
// n of port P (0 = A, 1 = B, 2 = C). Every lookup of a pin button uses these.
constexpr int DirectionButtonId(int P, int n)
{
    return IDC_DIR_A0 + 8 * P + n;
}

constexpr int StateButtonId(int P, int n)
{
    return P == 0 && n == 0 ? IDC_PIN_A0 : IDC_PIN_A1 - 1 + 8 * P + n;
}
