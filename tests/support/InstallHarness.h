#pragma once

#include "engine/InstallCore.h"

#include <memory>
#include <string>
#include <utility>

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

class InstallHarness {
public:
    explicit InstallHarness(const InstallChoice& choice);

    // The progress window's outcome (1 failed, 2 succeeded).
    int Run();

    InstallRequest request;

private:
    std::unique_ptr<CSetupConfig> config_;
};
