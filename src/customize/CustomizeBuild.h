// The customized build: the Customize dialog's choices go into Brand.ini and
// are stamped, with the chosen splash image and icon, into a copy of the
// running executable, which a renamer copy then puts in the running one's place.
#pragma once
#include <optional>
#include <string>

class TfrmMain;
class TfrmBrand;

class TCustomizeBuild {
public:
    explicit TCustomizeBuild(TfrmMain& runner);
    virtual ~TCustomizeBuild() = default;
    TCustomizeBuild(const TCustomizeBuild&) = delete;
    TCustomizeBuild& operator=(const TCustomizeBuild&) = delete;

    // The dialog, then the build when it closes with OK; a build that hands
    // over ends the runner. Raises only what fails before the dialog shows:
    // a failed build says why in the "Error" box and leaves the runner running.
    void Run();

    std::string RunningExe;  // copied, and run for each stamp
    std::string AppDir;      // receives the new executable and the renamer

protected:
    // The stamping child's exit code; none when it could not be started.
    virtual std::optional<unsigned long> RunStampingChild(const std::string& params);
    // The renamer's process id; 0 when it could not be started.
    virtual int StartRenamer(const std::string& renamer, const std::string& params);

private:
    void FillFields(TfrmBrand& form);
    void WriteChoices(const TfrmBrand& form);
    bool Build(TfrmBrand& form);
    bool Stamp(const TfrmBrand& form, const std::string& newExe);

    TfrmMain& runner_;
};
