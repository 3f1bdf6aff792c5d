// The phonebook dialog with its entry editors, and the Hardware Settings
// and Modem Commands dialogs in their uses.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>

#include "dialogs/comm_set.h"
#include "dialogs/entry_editors.h"
#include "dialogs/modem_commands.h"
#include "dialup_fixture.h"

namespace parlane::test {
namespace {

using Responder = ScriptedPlatform::DialogResponder;

// An editor answer: fills the fields given (id -> text) and presses Save.
Responder FillEditor(std::map<int, QString> fields, std::map<int, QString>* shown = nullptr) {
  return [fields, shown](QDialog& d) {
    auto& editor = dynamic_cast<EntryEditorBase&>(d);
    if (shown) {
      for (auto& [id, text] : *shown) {
        if (QLabel* label = editor.Value(id)) text = label->text();
        if (QLineEdit* edit = editor.Edit(id)) text = edit->text();
      }
    }
    for (const auto& [id, text] : fields) editor.Edit(id)->setText(text);
    return int{QDialog::Accepted};
  };
}

TEST_F(DialupTest, PhonebookAddsEditsAndDeletesEntries) {
  StartDialup();
  using E = EntryEditorBase;
  std::map<int, QString> newDialup = {{AddEditEntry::kComPortId, {}},
                                      {AddEditEntry::kSpeedId, {}},
                                      {AddEditEntry::kFlowId, {}},
                                      {E::kNameId, {}}};
  std::map<int, QString> newTelnet = {{AddEditEntryTelnet::kPortId, {}}, {E::kEmulationId, {}}};
  QStringList afterAdd, afterEdit;
  std::vector<size_t> messageCounts;
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& book = dynamic_cast<DialingDirectory&>(d);
    auto& q = platform_.dialogResponders;
    q.push_back(FillEditor({{E::kNameId, "Work"},
                            {E::kAddressId, "h.example"},
                            {E::kUserNameId, "me"},
                            {E::kPasswordId, "100%"}},
                           &newTelnet));
    book.AddTelnetEntry();
    // The same name in other letters is refused; so is an empty host.
    q.push_back(FillEditor({{E::kNameId, "WORK"}, {E::kAddressId, "other"}}));
    book.AddTelnetEntry();
    q.push_back(FillEditor({{E::kNameId, "Nohost"}}));
    book.AddTelnetEntry();
    q.push_back(FillEditor({{E::kNameId, "Zed BBS"}, {E::kAddressId, "555-0199"}}, &newDialup));
    book.AddDialupEntry();
    q.push_back(FillEditor({{E::kNameId, "Nonumber"}}));
    book.AddDialupEntry();
    afterAdd = book.Lines();
    // An edit may take another entry's name.
    book.SelectNames({QStringLiteral("Work")});
    q.push_back(FillEditor({{E::kNameId, "Zed BBS"}, {AddEditEntryTelnet::kPortId, "2323"}}));
    book.EditEntries();
    afterEdit = book.Lines();
    messageCounts.push_back(platform_.messages.size());
    return int{QDialog::Rejected};
  });
  Frame()->MenuAction(cmd::kPhonebook)->trigger();

  EXPECT_EQ(newTelnet[AddEditEntryTelnet::kPortId], QStringLiteral("23"));
  EXPECT_EQ(newTelnet[E::kEmulationId], QStringLiteral("VT100"));
  EXPECT_EQ(newDialup[AddEditEntry::kComPortId], QStringLiteral("COM1:"));
  EXPECT_EQ(newDialup[AddEditEntry::kSpeedId], QStringLiteral("9600,N,8,1"));
  EXPECT_EQ(newDialup[AddEditEntry::kFlowId], QStringLiteral("None"));
  EXPECT_EQ(newDialup[E::kNameId], QString());  // Add shows empty fields
  EXPECT_EQ(afterAdd, (QStringList{"Work\th.example\t0\tNone", "Zed BBS\t555-0199\t0\tNone"}));
  EXPECT_EQ(afterEdit, (QStringList{"Zed BBS\t555-0199\t0\tNone", "Zed BBS\th.example\t0\tNone"}));
  ASSERT_EQ(platform_.messages.size(), 3u);
  const std::pair<const char*, const char*> expected[] = {
      {"Entry already exists.  Use a different name.", "Error"},
      {"Entry must have a valid name and host name/IP address", "Error"},
      {"Entry must have a valid name and phone number", "Error"},
  };
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(platform_.messages[i].text, QLatin1String(expected[i].first));
    EXPECT_EQ(platform_.messages[i].caption, QLatin1String(expected[i].second));
  }
  auto book = ReadBook();
  ASSERT_EQ(book.size(), 2u);
  const auto telnet = std::find_if(book.begin(), book.end(), [](auto& e) { return e.IsTelnet(); });
  EXPECT_EQ(telnet->Port, "2323");
  EXPECT_EQ(telnet->Password, "100%");
  EXPECT_EQ(telnet->UserName, "me");

  // Deleting both selected entries asks nothing and empties the file.
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& dialog = dynamic_cast<DialingDirectory&>(d);
    dialog.List()->selectAll();
    dialog.DeleteEntries();
    EXPECT_EQ(dialog.List()->topLevelItemCount(), 0);
    return int{QDialog::Rejected};
  });
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  EXPECT_EQ(platform_.messages.size(), 3u);
  EXPECT_TRUE(ReadAll(File("PHONBOOK.DAT")).empty());
}

// A Telnet and a dial-up entry selected together: only the Telnet session
// opens, and nothing is dialled.
TEST_F(DialupTest, ConnectingMixedEntriesOpensOnlyTheTelnetSession) {
  WriteBook({DialupEntry("Modem", "123"), TelnetEntry("Host", "127.0.0.1", "1")});
  StartDialup();
  ConnectFromPhonebook({QStringLiteral("Modem"), QStringLiteral("Host")});
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  ASSERT_EQ(Client()->subWindowList().size(), 1);
  EXPECT_EQ(Client()->subWindowList().front()->windowTitle(), QStringLiteral("Host"));
  EXPECT_TRUE(modem_.dialed.empty());
  for (const auto& e : ReadBook()) {
    EXPECT_EQ(e.Connects, e.IsTelnet() ? 1u : 0u);
    EXPECT_EQ(e.LastConnectTime, "None");
  }
}

// "Hardware Settings" from the Setup menu: its rules, the test open of the
// chosen port, and the failure that keeps the previous settings.
TEST_F(DialupTest, HardwareSettingsOpenTheChosenPortOnce) {
  HayesModem com3;
  ASSERT_TRUE(com3.Ok());
  std::ofstream(dir_ / "PORTS.CFG", std::ios::trunc)
      << "COM1=" << modem_.Device() << "\nCOM2=/dev/parlane-no-such-tty\nCOM3=" << com3.Device()
      << "\n";
  StartDialup();
  Config().PortSettings.BaudRate = 4800;
  Config().PortSettings.OutxCtsFlow = false;
  Config().PortSettings.OutX = Config().PortSettings.InX = false;

  // Opened on 4800 with no flow control: 38400 and Hardware are checked,
  // and OK stores them.
  QString label;
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& set = dynamic_cast<CommSet&>(d);
    label = set.DeviceLabel()->text();
    EXPECT_TRUE(set.Radio(CommSet::kRateIds[4])->isChecked());
    EXPECT_TRUE(set.Radio(CommSet::kHardwareId)->isChecked());
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kModemHardware)->trigger();
  EXPECT_EQ(label.toStdString(), modem_.Device());
  EXPECT_EQ(Config().PortSettings.BaudRate, 38400u);
  EXPECT_TRUE(Config().PortSettings.OutxCtsFlow);
  EXPECT_FALSE(Client()->Dialup().Port().IsOpen());

  // COM3 at 19200, 7 data bits, Even parity, 1 stop bit, Xon/Xoff.
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& set = dynamic_cast<CommSet&>(d);
    set.PortList()->setCurrentRow(2);
    label = set.DeviceLabel()->text();
    for (int id : {CommSet::kRateIds[3], CommSet::kDataBitsIds[2], CommSet::kParityIds[2],
                   CommSet::kStopBitsIds[0], CommSet::kXonXoffId}) {
      set.Radio(id)->setChecked(true);
    }
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kModemHardware)->trigger();
  EXPECT_EQ(label.toStdString(), com3.Device());
  EXPECT_EQ(Config().ComPort, 2u);
  EXPECT_EQ(FormatPortSettings(Config().PortSettings), "19200,E,7,1");
  EXPECT_EQ(FlowOf(Config().PortSettings), FlowChoice::XonXoff);
  EXPECT_FALSE(Client()->Dialup().Port().IsOpen());

  // COM2 names no device: its message says so, and COM3 stays. (A
  // pseudo-terminal takes 7 data bits with parity only once, so COM3 goes
  // back to 8 data bits here.)
  ASSERT_TRUE(BuildDcbFromMode("19200,N,8,1", Config().PortSettings));
  platform_.messages.clear();
  platform_.dialogResponders.push_back([](QDialog& d) {
    dynamic_cast<CommSet&>(d).PortList()->setCurrentRow(1);
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kModemHardware)->trigger();
  ASSERT_EQ(platform_.messages.size(), 1u) << platform_.messages.back().text.toStdString();
  EXPECT_EQ(platform_.messages[0].caption, QStringLiteral("Error on COM2"));
  EXPECT_TRUE(platform_.messages[0].text.contains(QStringLiteral("There is no device")));
  EXPECT_EQ(Config().ComPort, 2u);
  EXPECT_EQ(FormatPortSettings(Config().PortSettings), "19200,N,8,1");

  // Cancel changes nothing.
  Frame()->MenuAction(cmd::kModemHardware)->trigger();
  EXPECT_EQ(Config().ComPort, 2u);
}

// With a dial-up window on line, the settings are kept for the next window
// instead of a test open that would close the port under the call.
TEST_F(DialupTest, HardwareSettingsLeaveALiveDialupLineAlone) {
  StartDialup();
  Frame()->MenuAction(cmd::kOpenDialup)->trigger();
  ASSERT_NE(Dialup(), nullptr);
  const int fd = Client()->Dialup().Port().Fd();
  platform_.dialogResponders.push_back([](QDialog& d) {
    dynamic_cast<CommSet&>(d).Radio(CommSet::kRateIds[5])->setChecked(true);
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kModemHardware)->trigger();
  EXPECT_EQ(Client()->Dialup().Port().Fd(), fd);
  EXPECT_TRUE(Client()->Dialup().Port().IsOpen());
  EXPECT_EQ(Config().PortSettings.BaudRate, 57600u);
  EXPECT_TRUE(platform_.messages.empty());
}

// "Devices..." maps the selected COM name to a device in PORTS.CFG; a path
// that is no device is refused with a message.
TEST_F(DialupTest, DevicesDialogWritesTheMapping) {
  StartDialup();
  struct Case {
    std::string typed;
    bool written;
  };
  const Case cases[] = {{"/dev/parlane-no-such-tty", false},
                        {"", false},
                        {(dir_ / "PORTS.CFG").string(), false},
                        {modem_.Device(), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    platform_.messages.clear();
    QString label;
    platform_.dialogResponders.push_back([&](QDialog& d) {
      auto& set = dynamic_cast<CommSet&>(d);
      set.PortList()->setCurrentRow(3);
      platform_.dialogResponders.push_front([&](QDialog& devices) {
        dynamic_cast<SerialDevicesDialog&>(devices).DeviceBox()->setEditText(
            QString::fromStdString(c.typed));
        return int{QDialog::Accepted};
      });
      set.OpenDevices();
      label = set.DeviceLabel()->text();
      return int{QDialog::Rejected};
    });
    Frame()->MenuAction(cmd::kModemHardware)->trigger();
    EXPECT_EQ(LoadPortMap(File("PORTS.CFG"))[3], c.written ? c.typed : "/dev/ttyS3");
    EXPECT_EQ(label.toStdString(), c.written ? c.typed : "/dev/ttyS3");
    EXPECT_EQ(platform_.messages.size(), c.written ? 0u : 1u);
  }
  EXPECT_EQ(LoadPortMap(File("PORTS.CFG"))[0], modem_.Device());
}

// In a dial-up entry the hardware settings change the entry only.
TEST_F(DialupTest, EntryHardwareSettingsDoNotOpenThePort) {
  WriteBook({DialupEntry("Modem", "123")});
  StartDialup();
  std::map<int, QString> shown = {
      {AddEditEntry::kComPortId, {}}, {AddEditEntry::kSpeedId, {}}, {AddEditEntry::kFlowId, {}}};
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& book = dynamic_cast<DialingDirectory&>(d);
    book.SelectNames({QStringLiteral("Modem")});
    platform_.dialogResponders.push_back([&](QDialog& e) {
      auto& editor = dynamic_cast<AddEditEntry&>(e);
      platform_.dialogResponders.push_back([](QDialog& h) {
        auto& set = dynamic_cast<CommSet&>(h);
        set.PortList()->setCurrentRow(1);
        set.Radio(CommSet::kRateIds[1])->setChecked(true);
        return int{QDialog::Accepted};
      });
      editor.EditHardware();
      for (auto& [id, text] : shown) text = editor.Value(id)->text();
      editor.ProtocolList()->setCurrentIndex(0);
      return int{QDialog::Accepted};
    });
    book.EditEntries();
    return int{QDialog::Rejected};
  });
  Frame()->MenuAction(cmd::kPhonebook)->trigger();
  EXPECT_EQ(shown[AddEditEntry::kComPortId], QStringLiteral("COM2:"));
  EXPECT_EQ(shown[AddEditEntry::kSpeedId], QStringLiteral("2400,N,8,1"));
  EXPECT_EQ(shown[AddEditEntry::kFlowId], QStringLiteral("Hardware"));
  EXPECT_FALSE(Client()->Dialup().Port().IsOpen());
  const auto book = ReadBook();
  EXPECT_EQ(book[0].ComPort, 1u);
  EXPECT_EQ(book[0].PortSettings.BaudRate, 2400u);
  EXPECT_EQ(book[0].Protocol, 0u);
  EXPECT_EQ(Config().ComPort, 0u);
}

TEST_F(DialupTest, ModemCommandsKeepTheirTextsOnOkOnly) {
  StartDialup();
  const QString longText(100, QLatin1Char('9'));
  platform_.dialogResponders.push_back([&](QDialog& d) {
    auto& m = dynamic_cast<ModemCommands&>(d);
    EXPECT_EQ(m.InitEdit()->text(), QStringLiteral("ATE1 Q0 V1"));
    EXPECT_EQ(m.DialEdit()->text(), QStringLiteral("ATDT"));
    m.InitEdit()->setText(QStringLiteral("AT&F E1"));
    m.DialEdit()->setText(longText);
    return int{QDialog::Accepted};
  });
  Frame()->MenuAction(cmd::kModemCommands)->trigger();
  EXPECT_EQ(Config().ModemInit, "AT&F E1");
  EXPECT_EQ(Config().DialPrefix, std::string(80, '9'));
  platform_.dialogResponders.push_back([](QDialog& d) {
    dynamic_cast<ModemCommands&>(d).InitEdit()->setText(QStringLiteral("ATZ"));
    return int{QDialog::Rejected};
  });
  Frame()->MenuAction(cmd::kModemCommands)->trigger();
  EXPECT_EQ(Config().ModemInit, "AT&F E1");
}

// A damaged PHONBOOK.DAT: what could be read is listed, the damage is said
// once, and a phonebook that cannot be written says so on every change.
TEST_F(DialupTest, DamagedPhonebookFilesEndInTheirMessages) {
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    int listed;
    const char* startMessage;  // "" for none
    bool saveFails;
  };
  const Case cases[] = {
      {"TrailingPiece",
       [](const std::filesystem::path& f) {
         auto bytes = DialupEntry("Whole", "1").Bytes();
         std::vector<uint8_t> data(bytes.begin(), bytes.end());
         data.resize(1000, 0xAB);
         WriteAll(f, data);
       },
       1, "", false},
      {"Directory", [](const std::filesystem::path& f) { std::filesystem::create_directory(f); }, 0,
       "PHONBOOK.DAT", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(File("PHONBOOK.DAT"));
    c.make(File("PHONBOOK.DAT"));
    platform_.messages.clear();
    StartDialup(false);
    ASSERT_EQ(platform_.messages.size(), *c.startMessage ? 1u : 0u);
    if (*c.startMessage) {
      EXPECT_TRUE(platform_.messages[0].text.contains(QLatin1String(c.startMessage)));
    }
    int listed = -1;
    platform_.dialogResponders.push_back([&](QDialog& d) {
      auto& book = dynamic_cast<DialingDirectory&>(d);
      listed = book.List()->topLevelItemCount();
      platform_.dialogResponders.push_back(
          FillEditor({{EntryEditorBase::kNameId, "New"}, {EntryEditorBase::kAddressId, "h"}}));
      book.AddTelnetEntry();
      return int{QDialog::Rejected};
    });
    Frame()->MenuAction(cmd::kPhonebook)->trigger();
    EXPECT_EQ(listed, c.listed);
    EXPECT_EQ(!platform_.messages.empty() &&
                  platform_.messages.back().text == QStringLiteral("Error saving Phonebook file"),
              c.saveFails);
    Shutdown();
  }
}

}  // namespace
}  // namespace parlane::test
