#pragma once

// The steps of an installation, in the order the engine takes them. A step the request
// does not need (no USB port to record, no default printer asked for) is not reported.
enum class InstallStep {
    CheckComponents,    // port monitors and print processor against the installed versions
    UpdateComponents,   // older monitors or processor replaced in place
    CheckPorts,         // the spooler lists its ports (USB)
    CopyDriverFiles,
    RestoreCoreFiles,
    UpdateLanguageMonitor,
    AddPrinterDriver,
    RecordUsbPort,
    AddPrinter,
    SetDefaultPrinter,
    StoreSerialSettings,
};

// The step in the system's own words, for whoever reports it.
const char* InstallStepName(InstallStep step);

// Told how an installation goes; the engine knows no window. Every call comes from the
// thread that runs the installation (the worker): an implementation that touches a window
// hands the news over instead.
class IInstallObserver {
public:
    virtual ~IInstallObserver() = default;
    virtual void StepStarted(InstallStep) {}
    virtual void StepFinished(InstallStep, bool /*succeeded*/) {}
    // The last call of every installation, also after a failure or an exception.
    virtual void InstallationEnded(bool succeeded) = 0;
};
