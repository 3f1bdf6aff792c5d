#include "app/menu_table.h"

#include <array>

#include "app/commands.h"

namespace parlane {

namespace {

using K = MenuEntryKind;

constexpr MenuEntry P(const char* text) { return {K::Popup, text, 0}; }
constexpr MenuEntry I(const char* text, int id) { return {K::Item, text, id}; }
constexpr MenuEntry kSep{K::Separator, nullptr, 0};
constexpr MenuEntry kEnd{K::EndPopup, nullptr, 0};

constexpr auto kMenu = std::to_array<MenuEntry>({
    P("&File"),
    I("Begin &Capture\tAlt+Q", cmd::kBeginCapture),
    I("Tr&ansmit File", cmd::kTransmitFile),
    kSep,
    I("&Save Current Session", cmd::kSaveSession),
    I("Save Se&lected Text", cmd::kSaveSelected),
    kSep,
    I("Print Current &Page\tAlt+O", cmd::kPrintPage),
    I("Print Current S&ession", cmd::kPrintSession),
    I("Print Selected &Text", cmd::kPrintSelected),
    I("Printer &Font", cmd::kPrinterFont),
    I("P&rinter Setup...", cmd::kPrinterSetup),
    kSep,
    I("E&xit\tAlt+X", cmd::kExit),
    kEnd,
    P("&Edit"),
    I("&Copy\tAlt+C", cmd::kCopy),
    I("&Paste\tAlt+V", cmd::kPaste),
    I("Copy &and Paste\tAlt+B", cmd::kCopyAndPaste),
    kEnd,
    P("V&iew"),
    I("&Font", cmd::kFont),
    I("&Background Color", cmd::kBackgroundColor),
    I("&Text Color", cmd::kTextColor),
    kSep,
    I("Show T&oolbar", cmd::kShowToolbar),
    I("Show &Connect Time", cmd::kShowConnectTime),
    I("Show &System Time", cmd::kShowSystemTime),
    kEnd,
    P("Co&mmunications"),
    I("&Phonebook\tAlt+P", cmd::kPhonebook),
    kSep,
    I("Open &Dial-up Window\tAlt+D", cmd::kOpenDialup),
    I("Open &Telnet Connection\tAlt+T", cmd::kOpenTelnet),
    I("Start Telnet Host Mode &Server", cmd::kHostModeServer),
    kSep,
    I("&Hangup Modem\tAlt+K", cmd::kHangup),
    kEnd,
    P("Tr&ansfers"),
    I("&Receive Files\tAlt+R", cmd::kReceiveFiles),
    I("&Send Files\tAlt+S", cmd::kSendFiles),
    kSep,
    I("&Ymodem-G Protocol", cmd::kYmodemG),
    I("&Zmodem Protocol", cmd::kZmodem),
    kSep,
    I("Set Receive &Directory", cmd::kReceiveDirectory),
    kEnd,
    P("&Script"),
    I("&Create", cmd::kScriptCreate),
    I("&Edit", cmd::kScriptEdit),
    kSep,
    I("&Run\tAlt+A", cmd::kScriptRun),
    I("Sto&p\tAlt+Z", cmd::kScriptStop),
    kEnd,
    P("Set&up"),
    I("Modem &Hardware", cmd::kModemHardware),
    I("Modem &Commands", cmd::kModemCommands),
    kSep,
    I("&Terminal Settings", cmd::kTerminalSettings),
    P("&Default session rows/columns"),
    I("24x80", cmd::kSize24x80),
    I("24x132", cmd::kSize24x132),
    I("25x80", cmd::kSize25x80),
    I("25x132", cmd::kSize25x132),
    I("35x80", cmd::kSize35x80),
    I("35x132", cmd::kSize35x132),
    I("50x80", cmd::kSize50x80),
    I("50x132", cmd::kSize50x132),
    kEnd,
    I("&Sound Effects", cmd::kSoundEffects),
    kSep,
    I("&Keyboard Mapping", cmd::kKeyboardMapping),
    P("Keypad &Mode"),
    I("&Numeric", cmd::kKeypadNumeric),
    I("&Application", cmd::kKeypadApplication),
    kEnd,
    I("&Function Keys", cmd::kFunctionKeys),
    kEnd,
    P("Too&ls"),
    I("DOS Session", cmd::kDosSession),
    P("Tool 1"),
    I("Run", cmd::kTool1Run),
    I("Change", cmd::kTool1Change),
    kEnd,
    P("Tool 2"),
    I("Run", cmd::kTool2Run),
    I("Change", cmd::kTool2Change),
    kEnd,
    P("Tool 3"),
    I("Run", cmd::kTool3Run),
    I("Change", cmd::kTool3Change),
    kEnd,
    P("Tool 4"),
    I("Run", cmd::kTool4Run),
    I("Change", cmd::kTool4Change),
    kEnd,
    kEnd,
    P("&Window"),
    I("&Cascade", cmd::kCascade),
    I("&Tile", cmd::kTile),
    I("Arrange &Icons", cmd::kArrangeIcons),
    I("C&lose All", cmd::kCloseAll),
    kEnd,
    P("&Help"),
    I("&Contents", cmd::kHelpContents),
    I("&Using help", cmd::kHelpUsing),
    kSep,
    I("&About...", cmd::kAbout),
    kEnd,
});

constexpr auto kAccelerators = std::to_array<Accelerator>({
    {'K', cmd::kHangup},
    {'P', cmd::kPhonebook},
    {'C', cmd::kCopy},
    {'V', cmd::kPaste},
    {'D', cmd::kOpenDialup},
    {'R', cmd::kReceiveFiles},
    {'S', cmd::kSendFiles},
    {'X', cmd::kExit},
    {'T', cmd::kOpenTelnet},
    {'Q', cmd::kBeginCapture},
    {'O', cmd::kPrintPage},
    {'B', cmd::kCopyAndPaste},
    {'A', cmd::kScriptRun},
    {'Z', cmd::kScriptStop},
});

struct Hint {
  int id;
  const char* text;
};

// One hint per command id; 24335 and 159 have none.
constexpr auto kHints = std::to_array<Hint>({
    {cmd::kBeginCapture, "Begin or end capturing the session to a file"},
    {cmd::kTransmitFile, "Send a text file to the host without a transfer protocol"},
    {cmd::kSaveSession, "Save the whole session, scroll-back included, to a file"},
    {cmd::kSaveSelected, "Save the selected text to a file"},
    {cmd::kPrintPage, "Print the page shown in the session window"},
    {cmd::kPrintSelected, "Print the selected text"},
    {cmd::kPrinterFont, "Choose the font used for printing"},
    {cmd::kPrinterSetup, "Choose and set up the printer"},
    {cmd::kExit, "Quit Parlane"},
    {cmd::kUndo, "Undo last operation"},
    {cmd::kCut, "Cut selected text to clipboard"},
    {cmd::kCopy, "Copy selected text to clipboard"},
    {cmd::kPaste, "Paste clipboard text into the session as typed keys"},
    {cmd::kCopyAndPaste, "Copy selected text to clipboard and paste it into the session"},
    {cmd::kFont, "Choose the font of the session window"},
    {cmd::kBackgroundColor, "Choose the background color of the session window"},
    {cmd::kTextColor, "Choose the text color of the session window"},
    {cmd::kShowToolbar, "Show or hide the toolbar"},
    {cmd::kShowConnectTime, "Show or hide the connect time in the status bar"},
    {cmd::kShowSystemTime, "Show or hide the system time in the status bar"},
    {cmd::kPhonebook, "Open the phonebook of dial-up and telnet connections"},
    {cmd::kOpenDialup, "Open window for modem dial-up terminal communications"},
    {cmd::kOpenTelnet, "Open a telnet connection to a host"},
    {cmd::kHostModeServer,
     "Open a Telnet Host Mode server window which will accept connections from other telnet "
     "clients"},
    {cmd::kHangup, "Perform hangup using modem (for dial-up connections only)"},
    {cmd::kReceiveFiles, "Receive files from the host"},
    {cmd::kSendFiles, "Send files to the host"},
    {cmd::kYmodemG, "Use the Ymodem-G protocol for file transfers"},
    {cmd::kZmodem, "Use the Zmodem protocol for file transfers"},
    {cmd::kReceiveDirectory, "Choose the directory that received files are stored in"},
    {cmd::kScriptCreate, "Create a new script file"},
    {cmd::kScriptEdit, "Edit a script file"},
    {cmd::kScriptRun, "Run a script in the session window"},
    {cmd::kScriptStop, "Stop the script running in the session window"},
    {cmd::kModemHardware, "Choose the serial port and its line settings"},
    {cmd::kModemCommands, "Set the modem initialization and dialing strings"},
    {cmd::kSize24x80, "New session windows will be 24x80"},
    {cmd::kSize24x132, "New session windows will be 24x132"},
    {cmd::kSize25x80, "New session windows will be 25x80"},
    {cmd::kSize25x132, "New session windows will be 25x132"},
    {cmd::kSize35x80, "New session windows will be 35x80"},
    {cmd::kSize35x132, "New session windows will be 35x132"},
    {cmd::kSize50x80, "New session windows will be 50x80"},
    {cmd::kSize50x132, "New session windows will be 50x132"},
    {cmd::kSoundEffects, "Choose the sounds played on events"},
    {cmd::kKeyboardMapping, "Change the keys sent for each terminal emulation"},
    {cmd::kKeypadNumeric, "Keypad sends numbers"},
    {cmd::kKeypadApplication, "Keypad sends application sequences"},
    {cmd::kFunctionKeys, "Set the texts sent by the function keys"},
    {cmd::kDosSession, "Open a command shell"},
    {cmd::kTool1Run, "Run Tool 1"},
    {cmd::kTool1Change, "Choose the program of Tool 1"},
    {cmd::kTool2Run, "Run Tool 2"},
    {cmd::kTool2Change, "Choose the program of Tool 2"},
    {cmd::kTool3Run, "Run Tool 3"},
    {cmd::kTool3Change, "Choose the program of Tool 3"},
    {cmd::kTool4Run, "Run Tool 4"},
    {cmd::kTool4Change, "Choose the program of Tool 4"},
    {cmd::kCascade, "Arrange windows in an overlapping fashion"},
    {cmd::kTile, "Arrange windows side by side"},
    {cmd::kArrangeIcons, "Arrange minimized window icons"},
    {cmd::kCloseAll, "Close all window sessions"},
    {cmd::kHelpContents, "Show the help contents"},
    {cmd::kHelpUsing, "How to use help"},
    {cmd::kAbout, "Show the program's version and copyright"},
});

constexpr auto kSizes = std::to_array<SessionSize>({
    {cmd::kSize24x80, 24, 80},
    {cmd::kSize24x132, 24, 132},
    {cmd::kSize25x80, 25, 80},
    {cmd::kSize25x132, 25, 132},
    {cmd::kSize35x80, 35, 80},
    {cmd::kSize35x132, 35, 132},
    {cmd::kSize50x80, 50, 80},
    {cmd::kSize50x132, 50, 132},
});

}  // namespace

std::span<const MenuEntry> MenuTable() { return kMenu; }
std::span<const Accelerator> Accelerators() { return kAccelerators; }
std::span<const SessionSize> SessionSizes() { return kSizes; }

const char* HintFor(int id) {
  for (const Hint& h : kHints) {
    if (h.id == id) return h.text;
  }
  return nullptr;
}

}  // namespace parlane
