// The command ids of the main menu, the tool bar and the accelerators. Tool
// bar buttons use the command id as their bitmap id as well.
#pragma once

namespace parlane::cmd {

// File
inline constexpr int kBeginCapture = 24331;
inline constexpr int kTransmitFile = 20000;
inline constexpr int kSaveSession = 24333;
inline constexpr int kSaveSelected = 24334;
inline constexpr int kPrintPage = 7101;
inline constexpr int kPrintSession = 24335;
inline constexpr int kPrintSelected = 24336;
inline constexpr int kPrinterFont = 24338;
inline constexpr int kPrinterSetup = 24337;
inline constexpr int kExit = 160;
// Edit
inline constexpr int kUndo = 24321;  // hint only; not in the menu
inline constexpr int kCut = 24322;   // hint only; not in the menu
inline constexpr int kCopy = 24323;
inline constexpr int kPaste = 24324;
inline constexpr int kCopyAndPaste = 20001;
// View
inline constexpr int kFont = 157;
inline constexpr int kBackgroundColor = 121;
inline constexpr int kTextColor = 156;
inline constexpr int kShowToolbar = 167;
inline constexpr int kShowConnectTime = 168;
inline constexpr int kShowSystemTime = 169;
// Communications
inline constexpr int kPhonebook = 172;
inline constexpr int kOpenDialup = 158;
inline constexpr int kOpenTelnet = 166;
inline constexpr int kHostModeServer = 20002;
inline constexpr int kHangup = 173;
// Transfers
inline constexpr int kReceiveFiles = 154;
inline constexpr int kSendFiles = 198;
inline constexpr int kYmodemG = 102;
inline constexpr int kZmodem = 103;
inline constexpr int kReceiveDirectory = 199;
// Script
inline constexpr int kScriptCreate = 20003;
inline constexpr int kScriptEdit = 20004;
inline constexpr int kScriptRun = 20005;
inline constexpr int kScriptStop = 20006;
// Setup
inline constexpr int kModemHardware = 120;
inline constexpr int kModemCommands = 122;
inline constexpr int kTerminalSettings = 159;
inline constexpr int kSize24x80 = 7505;
inline constexpr int kSize24x132 = 7404;
inline constexpr int kSize25x80 = 7707;
inline constexpr int kSize25x132 = 7606;
inline constexpr int kSize35x80 = 7607;
inline constexpr int kSize35x132 = 7608;
inline constexpr int kSize50x80 = 7909;
inline constexpr int kSize50x132 = 7908;
inline constexpr int kSoundEffects = 165;
inline constexpr int kKeyboardMapping = 20007;
inline constexpr int kKeypadNumeric = 7303;
inline constexpr int kKeypadApplication = 7202;
inline constexpr int kFunctionKeys = 164;
// Tools
inline constexpr int kDosSession = 107;
inline constexpr int kTool1Run = 340;
inline constexpr int kTool1Change = 341;
inline constexpr int kTool2Run = 330;
inline constexpr int kTool2Change = 331;
inline constexpr int kTool3Run = 320;
inline constexpr int kTool3Change = 321;
inline constexpr int kTool4Run = 310;
inline constexpr int kTool4Change = 311;
// Window
inline constexpr int kCascade = 24361;
inline constexpr int kTile = 24362;
inline constexpr int kArrangeIcons = 24364;
inline constexpr int kCloseAll = 24365;
// Help
inline constexpr int kHelpContents = 24343;
inline constexpr int kHelpUsing = 24345;
inline constexpr int kAbout = 24346;

}  // namespace parlane::cmd
