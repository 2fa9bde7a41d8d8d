#include "app/InstallCommand.h"

#include "ports/PortNames.h"
#include "ui/InstallProgressDlg.h"
#include "ui/ModePage.h"

#include <gtest/gtest.h>

namespace {

TEST(UsbPortNumberOfName, OnlyTheFinalUnderscoreAndDigitCount) {
    EXPECT_EQ(UsbPortNumberOfName("USB_VT-R80_3"), 3);
    // The model name carries "_2"; the port is 1.
    EXPECT_EQ(UsbPortNumberOfName("USB_TP_2_1"), 1);
    EXPECT_EQ(UsbPortNumberOfName("USB_TP_2"), 2) << "model TP, port 2";
    EXPECT_EQ(UsbPortNumberOfName("USB_VT-R80_5"), 0) << "only ports 1 to 4 exist";
    EXPECT_EQ(UsbPortNumberOfName("USB_VT-R80"), 0);
    EXPECT_EQ(UsbPortNumberOfName("_"), 0);
    EXPECT_EQ(UsbPortNumberOfName(""), 0);
}

TEST(PrinterNameSuffix, MarksThePortKindAndTheUsbPortNumberOnce) {
    EXPECT_EQ(PrinterNameSuffix(PortKind::Usb, "USB_TP_2_1"), "(U) 1");
    EXPECT_EQ(PrinterNameSuffix(PortKind::Usb, "USB_QXL-K6_3"), "(U) 3");
    EXPECT_EQ(PrinterNameSuffix(PortKind::Usb, "USB_VT-R80"), "");
    EXPECT_EQ(PrinterNameSuffix(PortKind::Serial, "COM2:"), "(S)");
    EXPECT_EQ(PrinterNameSuffix(PortKind::Parallel, "LPT1:"), "(P)");
    EXPECT_EQ(PrinterNameSuffix(PortKind::Network, "IP_10.0.0.5"), "(E)");
    // A USB port name that also holds "COM" is one USB port, named once.
    EXPECT_EQ(PrinterNameSuffix(ClassifyPortName("USB_COMPACT_2"), "USB_COMPACT_2"), "(U) 2");
}

const UsbProbe kNoPrinter = UsbProbe::Nothing(), kSeveral = UsbProbe::SeveralPrinters();

TEST(PlanUsbPrinterMatch, AdvancedModeMatchesThePrinterToTheChosenPort) {
    const InstallMode advanced = InstallMode::Advanced;
    EXPECT_EQ(PlanUsbPrinterMatch(advanced, UsbProbe::Printer(9), 2), UsbPrinterMatch::Proceed) << "9 mod 8 + 1 = 2";
    EXPECT_EQ(PlanUsbPrinterMatch(advanced, UsbProbe::Printer(8), 2), UsbPrinterMatch::AskRenumber) << "8 answers on port 1";
    EXPECT_EQ(PlanUsbPrinterMatch(advanced, UsbProbe::Printer(1), 2), UsbPrinterMatch::Proceed);
    EXPECT_EQ(PlanUsbPrinterMatch(advanced, UsbProbe::Printer(8), 0), UsbPrinterMatch::AskRenumber) << "a port without number";
    EXPECT_EQ(PlanUsbPrinterMatch(advanced, kNoPrinter, 2), UsbPrinterMatch::StopNoPrinter);
    EXPECT_EQ(PlanUsbPrinterMatch(advanced, kSeveral, 1), UsbPrinterMatch::Stop);
}

TEST(PlanUsbPrinterMatch, TypicalModePutsThePrinterOnPortOne) {
    const InstallMode typical = InstallMode::Typical;
    EXPECT_EQ(PlanUsbPrinterMatch(typical, UsbProbe::Printer(0), 1), UsbPrinterMatch::Proceed);
    EXPECT_EQ(PlanUsbPrinterMatch(typical, UsbProbe::Printer(8), 1), UsbPrinterMatch::Proceed) << "8 mod 8 + 1 = 1: already on port 1";
    EXPECT_EQ(PlanUsbPrinterMatch(typical, UsbProbe::Printer(16), 1), UsbPrinterMatch::Proceed);
    EXPECT_EQ(PlanUsbPrinterMatch(typical, UsbProbe::Printer(8 + 1), 1), UsbPrinterMatch::AskRenumber);
    EXPECT_EQ(PlanUsbPrinterMatch(typical, kNoPrinter, 1), UsbPrinterMatch::Proceed) << "nothing to renumber";
    // Several printers: the probe has said so; no question, nothing renumbered.
    EXPECT_EQ(PlanUsbPrinterMatch(typical, kSeveral, 1), UsbPrinterMatch::Stop);
}

TEST(ClosingMessage, AFailureNeverReadsAsTheRestartNotice) {
    const std::string notice = "Restart to finish.";
    EXPECT_EQ(ClosingMessage(CInstallProgressDlg::kSucceeded, "", notice), notice);
    EXPECT_EQ(ClosingMessage(CInstallProgressDlg::kSucceeded, "Done.", notice), "Done.");
    EXPECT_EQ(ClosingMessage(CInstallProgressDlg::kFailed, "Can't add printer.\n", notice), "Can't add printer.\n");
    EXPECT_EQ(ClosingMessage(CInstallProgressDlg::kFailed, "", notice), "Installation failed.");
    EXPECT_EQ(ClosingMessage(CInstallProgressDlg::kRunning, "", notice), "Installation failed.");
}

// The journal's end names what became of the installation, whatever the exit code says.
TEST(OutcomeLine, NamesThePrinterOnlyAfterASuccess) {
    const int succeeded = CInstallProgressDlg::kSucceeded, failed = CInstallProgressDlg::kFailed;
    EXPECT_EQ(OutcomeLine(true, succeeded, "VT-R80(P)", "LPT1:"), "Outcome: installed printer \"VT-R80(P)\" on port LPT1:");
    EXPECT_EQ(OutcomeLine(true, failed, "VT-R80(P)", "LPT1:"), "Outcome: the installation failed");
    EXPECT_EQ(OutcomeLine(false, CInstallProgressDlg::kRunning, "", ""), "Outcome: nothing installed, the installation was refused before it began");
    EXPECT_EQ(OutcomeLine(true, succeeded, "VT-R80(P)", "LPT1:", true), "Outcome: already installed as VT-R80(P): repaired");
    EXPECT_EQ(OutcomeLine(true, failed, "VT-R80(P)", "LPT1:", true), "Outcome: the installation failed");
}

// The printers a re-run may adopt: the name the installation gives, or it numbered.
TEST(IsNameOrNumbered, TheBaseNameOrTheBaseNameWithANumber) {
    const struct {
        const char* name;
        bool adoptable;
    } cases[] = {{"VT-R80(P)", true},     {"vt-r80(p)", true},      {"VT-R80(P)(1)", true}, {"VT-R80(P)(12)", true},
                 {"VT-R80(P)()", false},  {"VT-R80(P)(1a)", false}, {"VT-R80(P) copy", false},
                 {"VT-R80", false},       {"VT-R80(P)(1)(2)", false}};
    for (const auto& c : cases) EXPECT_EQ(IsNameOrNumbered(c.name, "VT-R80(P)"), c.adoptable) << c.name;
    EXPECT_FALSE(IsNameOrNumbered("", ""));
}

}  // namespace
