#include "plugin/QOR.h"

#include "plugin/FrontPanel.h"

#include "engine/ParameterIndex.h"
#include "framework/MakeGraphics.h"
#include "plugin/Commands.h"
#include "plugin/OnlineAddresses.h"
#include "plugin/PanelLayout.h"
#include "plugin/SysExWorker.h"
#include "plugin/UpdateCheck.h"
#include "programs/ParameterTable.h"

namespace qor {

QOR::QOR(vst::HostCallback host) : Synth(host), mCommands(std::make_unique<Commands>(*this))
{
    mPanel = std::make_unique<FrontPanel>(*this);
    engine.SetControllerListener(this);
    engine.SetMidiLevel(k3FunctionLevel);
    mCommands->SetOnlineActions({std::string(kMakerWeb), [this] { CheckForUpdate(); }, [this] { VisitMakerSite(); }});
    // Read again now that the instrument's own hooks are in place.
    ReadConfiguration();
    InitParameterTable(*this);
    if (startupBankPath.empty() || !LoadStartupBank()) {
        startupBankPath.clear();
        LoadFactoryBank();
    }
    constructing = false;
    suppressParameterEcho = false;
    for (int i = 0; i < NParams(); ++i) parameterTemplate.push_back(*GetParam(i));
    sysexWorker = std::make_unique<SysExWorker>([this](std::span<const uint8_t> bytes) {
        std::vector<uint8_t> queue(bytes.begin(), bytes.end());
        ReceiveSysExMessages(queue);
    });
    // The editor last, over the finished instrument: attaching it gives every
    // control its parameter's value, which is also its double-click default.
    mEditor = MakeGraphics(*this, panel::kWidth, panel::kHeight);
    mEditorControls = BuildPanel(*mEditor, *this, *this, *this);
    AttachEditor(mEditor.get());
}

QOR::~QOR()
{
    // The SysEx worker stops first: it may be acting on a message.
    sysexWorker.reset();
    AttachEditor(nullptr);
}

void QOR::Reset() { Synth::Reset(); }

void QOR::RunCommand(int number) { mCommands->Run(number); }

void QOR::OpenUtilityMenu(int x, int y) { mCommands->OpenMenu(x, y); }

void QOR::OnParamChange(int index)
{
    auto lock = LockMain();
    Synth::OnParamChange(index);
    const IParameter* param = GetParam(index);
    if (!param) return;
    const double raw = param->Value() < param->Min() ? param->Min() : (param->Value() > param->Max() ? param->Max() : param->Value());
    engine.SetParameter(index, raw, param->GetNormalized(raw));
}

void QOR::FormatParamDisplay(int index, double value, char* text) const
{
    ParameterText(*this, index, value, CurrentIsCartridge(), text);
}

std::optional<double> QOR::ParseParamText(int index, std::string_view text) const
{
    return ParameterTextValue(*this, index, text, CurrentIsCartridge());
}

void QOR::ProcessBlock(double** inputs, double** outputs, int frames)
{
    ITimeInfo info;
    GetTimeInfo(info);
    TransportInfo transport;
    transport.samplePos = info.samplePos;
    transport.ppqPos = info.ppqPos;
    transport.tempo = info.tempo;
    transport.barStartPos = info.barStartPos;
    transport.cycleStartPos = info.cycleStartPos;
    transport.cycleEndPos = info.cycleEndPos;
    transport.numerator = info.numerator;
    transport.denominator = info.denominator;
    transport.playing = info.playing;
    transport.cycleActive = info.cycleActive;
    engine.ProcessBlock(outputs[0], outputs[1], frames, transport);
}

void QOR::SetWriteProtect(bool on)
{
    Synth::SetWriteProtect(on);
    infoMessage = on ? kInfoProtectionOn : kInfoProtectionOff;
}

UpdateCheck& QOR::Updates()
{
    if (!updateCheck) updateCheck = std::make_unique<UpdateCheck>();
    return *updateCheck;
}

void QOR::CheckForUpdate() { Updates().Start(); }

void QOR::VisitMakerSite() { Services().OpenAddress(Updates().MakerHomePage()); }

void QOR::OnIdle()
{
    mPanel->Idle();
    if (updateCheck) updateCheck->Poll(Services());
}

}  // namespace qor
