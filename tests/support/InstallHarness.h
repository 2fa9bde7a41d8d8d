#pragma once

#include "engine/InstallCore.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Fills an install request from the distribution folder beside the test program the way
// the Install command does, and runs the installation behind a real progress window.
// A test part: the product's own Install command does this from the wizard's pages.
struct InstallChoice {
    InstallChoice(std::string model_, int printerType_, int osIndex_, int raster_, std::string portName_,
                  int setAsDefault_ = 0, SerialLineSettings serial_ = {})
        : model(std::move(model_)),
          printerType(printerType_),
          osIndex(osIndex_),
          raster(raster_),
          portName(std::move(portName_)),
          setAsDefault(setAsDefault_),
          serial(serial_) {}

    std::string model;  // the model's section name, as the model page gives it
    int printerType = 0;
    int osIndex = 7;
    int raster = 0;
    std::string portName = "LPT1:";
    int setAsDefault = 0;
    SerialLineSettings serial;
};

// What an installation reported, in order: "+Step" started, "-Step" failed, "Step" done,
// and last "ended ok" or "ended failed".
class StepRecorder : public IInstallObserver {
public:
    void StepStarted(InstallStep step) override { steps.push_back(std::string("+") + InstallStepName(step)); }
    void StepFinished(InstallStep step, bool succeeded) override {
        steps.push_back(std::string(succeeded ? "" : "-") + InstallStepName(step));
    }
    void InstallationEnded(bool succeeded) override { steps.push_back(succeeded ? "ended ok" : "ended failed"); }

    std::vector<std::string> steps;
};

class InstallHarness {
public:
    explicit InstallHarness(const InstallChoice& choice);

    // The progress window's outcome (1 failed, 2 succeeded). A watcher is told what the
    // window is told.
    int Run(IInstallObserver* watcher = nullptr);

    InstallRequest request;

private:
    std::unique_ptr<CSetupConfig> config_;
};
