#include "control/control_commands.h"

#include <memory>
#include <vector>

#include "control/command_help.h"
#include "control/profile_report.h"
#include "control/setting_changes.h"
#include "device/discovery.h"
#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "macro/macro_store.h"
#include "macro/step_list.h"
#include "platform/edition.h"
#include "platform/hex_text.h"
#include "platform/hidraw_transport.h"
#include "platform/message_sink.h"
#include "platform/sim_transport.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_actions.h"
#include "settings/profile_values.h"
#include "settings/startup_config.h"
#include "skin/layout_loader.h"
#include "text/catalog.h"

namespace zel::control {
namespace {

namespace fs = std::filesystem;

// Collects the messages the shared actions show, for the reply.
class ReplyMessages final : public platform::MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view /*caption*/ = {}) override {
        text_ += std::string(text) + "\n";
    }
    std::string Take() { return std::exchange(text_, {}); }

private:
    std::string text_;
};

ControlReply Done(std::string out = {}) {
    return {false, kExitDone, std::move(out), {}};
}

ControlReply Failed(std::string err) {
    if (!err.empty() && err.back() != '\n') {
        err += '\n';
    }
    return {false, kExitFailed, {}, std::move(err)};
}

ControlReply Usage(std::string err) {
    ControlReply reply = Failed(std::move(err));
    reply.status = kExitUsage;
    return reply;
}

// The commands that read config.ini's profiles (the macro commands read only the macro files).
bool ReadsProfiles(CommandKind kind) {
    switch (kind) {
        case CommandKind::Show:
        case CommandKind::Profile:
        case CommandKind::Apply:
        case CommandKind::Set:
        case CommandKind::Export:
        case CommandKind::Import:
        case CommandKind::Reset:
            return true;
        default:
            return false;
    }
}

bool Changes(CommandKind kind) {
    switch (kind) {
        case CommandKind::Profile:
        case CommandKind::Apply:
        case CommandKind::Set:
        case CommandKind::Import:
        case CommandKind::Reset:
        case CommandKind::MacrosImport:
            return true;
        default:
            return false;
    }
}

class CommandRun {
public:
    CommandRun(const ParsedCommand& command, ControlTarget& target)
        : command_(command), target_(target) {}

    ControlReply Run();

private:
    ControlReply Show();
    ControlReply SelectAndApply(std::int32_t profile);
    ControlReply Apply();
    ControlReply Set();
    ControlReply Export();
    ControlReply Import();
    ControlReply Reset();
    ControlReply MacrosList();
    ControlReply MacrosShow();
    ControlReply MacrosExport();
    ControlReply MacrosImport();

    // CurConfig as the start takes it (profile 1 when it is missing or out of range).
    std::int32_t StoredCurrentProfile() const { return settings::CurrentUserProfile(config_); }
    // Profile `profile` of config.ini, or its factory settings where the file lacks it.
    void LoadStoredProfile(std::int32_t profile, settings::ProfileSettings& into) const {
        settings::LoadProfileOrFactory(config_, profile,
                                       static_cast<std::uint8_t>(target_.languageFlag), into);
    }
    std::int32_t ChosenProfile() const { return command_.profile.value_or(StoredCurrentProfile()); }
    FunctionNaming Naming();
    platform::Result<void> MouseReady() const {
        return target_.mouseProblem ? target_.mouseProblem() : platform::Ok();
    }
    // The actions' context on `profile` (the live one or a scratch copy).
    settings::ProfileActionContext Context(settings::ProfileSettings& profile,
                                           std::atomic<std::int32_t>& current);
    // After profile `profile` changed in the file: the window shows it again when it is the one
    // loaded.
    void ReloadIfShown(std::int32_t profile);
    ControlReply WithMessages(ControlReply reply);
    // The reports went out but config.ini kept its old content, for this reason.
    std::string UploadWriteFailed(const ini::FileResult& why) const {
        return settings::ProfileWriteFailedMessage(target_.configPath, target_.languageFlag, why);
    }
    // Whether an upload is a success, else why not.
    platform::Result<void> UploadSucceeded(const device::UploadOutcome& outcome) const {
        if (!outcome.reportsSent) {
            return platform::Error{
                platform::ErrorCode::kUnavailable,
                text::Message(text::TextId::kUploadNotReceived, target_.languageFlag)};
        }
        if (!outcome.saved) {
            return platform::Error{platform::ErrorCode::kIoError,
                                   UploadWriteFailed(outcome.saveResult)};
        }
        return platform::Ok();
    }
    // Refuses a command that would reload the loaded profile or replace the user macros while
    // the owner holds unsaved edits of them (unless told to discard them).
    std::optional<ControlReply> RefuseToDropUnsavedEdits();
    platform::Result<void> LoadMacroFile(macro::MacroStore& store, const fs::path& file);
    // Saves `scratch` as profile `profile`; the failure's message names the reason.
    std::optional<ControlReply> SaveOrFail(std::int32_t profile,
                                           const settings::ProfileSettings& scratch);

    const ParsedCommand& command_;
    ControlTarget& target_;
    ReplyMessages messages_;
    ini::IniDocument config_;  // config.ini as the command found it
};

FunctionNaming CommandRun::Naming() {
    FunctionNaming naming;
    platform::RecordingMessageSink ignored;
    skin::SkinLayoutLoader loader(target_.skinsDir, ignored, [] {});
    skin::SkinLayout layout;
    loader.LoadMainLayout(layout, target_.languageFlag);
    naming.functionNames = layout.functionNames;
    // The names of the other edition are taken too, so a switch of edition breaks no script.
    loader.LoadMainLayout(layout, platform::OtherEditionFlag(target_.languageFlag));
    naming.otherEditionNames = layout.functionNames;
    macro::MacroStore macros;
    if (macro::LoadUserMacros(macros, target_.userMacroPath, ignored)) {
        for (int i = 0; i < macros.UserCount(); ++i) {
            naming.userMacroNames.push_back(macro::NameText(macros.UserMacro(i)));
        }
    }
    return naming;
}

settings::ProfileActionContext CommandRun::Context(settings::ProfileSettings& profile,
                                                   std::atomic<std::int32_t>& current) {
    return {profile,
            current,
            target_.languageFlag,
            target_.configPath,
            target_.skinsDir,
            target_.userMacroPath,
            messages_,
            {}};
}

void CommandRun::ReloadIfShown(std::int32_t profile) {
    if (target_.currentProfile.load() != profile) {
        return;
    }
    ini::IniDocument saved;
    ini::IniDocument::LoadExisting(target_.configPath, saved);
    settings::LoadProfileOrFactory(saved, profile, static_cast<std::uint8_t>(target_.languageFlag),
                                   target_.profile);
    if (target_.repaint) {
        target_.repaint();
    }
}

std::optional<ControlReply> CommandRun::SaveOrFail(std::int32_t profile,
                                                   const settings::ProfileSettings& scratch) {
    ini::IniWriteBatch batch(target_.configPath);
    settings::SaveProfile(batch, profile, scratch);
    const ini::FileResult written = batch.CommitWithReason();
    if (written.ok()) {
        return std::nullopt;
    }
    return Failed("the profile could not be written to \"" + target_.configPath.string() +
                  "\": " + written.reason);
}

ControlReply CommandRun::WithMessages(ControlReply reply) {
    reply.err = messages_.Take() + reply.err;
    return reply;
}

ControlReply CommandRun::Run() {
    if (command_.kind == CommandKind::Help) {
        return Done(HelpText(command_.helpTopic));
    }
    if (command_.kind == CommandKind::Version) {
        return Done(VersionText());
    }
    if (command_.kind != CommandKind::List && !fs::exists(target_.configPath)) {
        return Failed(target_.configPath.string() + ": no such file (use --config-dir DIR)");
    }
    // A config.ini that cannot be read would read as a profile of zeros: refused before the
    // mouse or any file is touched.
    if (ReadsProfiles(command_.kind)) {
        if (const ini::FileResult read =
                ini::IniDocument::LoadExisting(target_.configPath, config_);
            !read.ok()) {
            return Failed(
                settings::ConfigCannotReadMessage(target_.configPath, target_.languageFlag, read));
        }
    }
    if (Changes(command_.kind) && target_.busy) {
        if (const platform::Result<void> free = target_.busy(); !free.ok()) {
            return Failed(free.error().message +
                          "; nothing was changed, try again once it is done");
        }
    }
    if (auto refused = RefuseToDropUnsavedEdits()) {
        return *refused;
    }
    switch (command_.kind) {
        case CommandKind::Show:
            return Show();
        case CommandKind::Profile:
            return SelectAndApply(*command_.profile);
        case CommandKind::Apply:
            return Apply();
        case CommandKind::Set:
            return Set();
        case CommandKind::Export:
            return Export();
        case CommandKind::Import:
            return Import();
        case CommandKind::Reset:
            return Reset();
        case CommandKind::MacrosList:
            return MacrosList();
        case CommandKind::MacrosShow:
            return MacrosShow();
        case CommandKind::MacrosExport:
            return MacrosExport();
        case CommandKind::MacrosImport:
            return MacrosImport();
        default:
            return Usage("this command is not carried out here");
    }
}

std::optional<ControlReply> CommandRun::RefuseToDropUnsavedEdits() {
    if (command_.discardUnsaved || !target_.unsavedEdits) {
        return std::nullopt;
    }
    // What each command reloads: `profile N` and `set --apply` load the profile they apply; a
    // `set` or `import` of the loaded profile reloads it from the file; `reset` reloads both.
    bool reloadsProfile = false;
    bool replacesMacros = false;
    const auto loaded = [this] { return ChosenProfile() == target_.currentProfile.load(); };
    switch (command_.kind) {
        case CommandKind::Profile:
            reloadsProfile = true;
            break;
        case CommandKind::Set:
            reloadsProfile = command_.apply || loaded();
            break;
        case CommandKind::Import:
            reloadsProfile = loaded();
            break;
        case CommandKind::Reset:
            reloadsProfile = true;
            replacesMacros = true;
            break;
        case CommandKind::MacrosImport:
            replacesMacros = true;
            break;
        default:
            return std::nullopt;
    }
    const UnsavedEdits held = target_.unsavedEdits();
    const bool profile = reloadsProfile && held.profile;
    const bool macros = replacesMacros && held.userMacros;
    if (!profile && !macros) {
        return std::nullopt;
    }
    const std::string shown = "profile " + std::to_string(target_.currentProfile.load());
    const std::string what = profile && macros ? shown + " and of the user macros"
                             : profile         ? shown
                                               : std::string("the user macros");
    const std::string how = profile && macros
                                ? "save them in the window (Save, and Set on the advanced page)"
                            : profile ? "save or cancel them in the window (Save, Cancel)"
                                      : "save them in the window (Set on the advanced page)";
    return Failed("ZEL_GMouse holds unsaved edits of " + what +
                  "; nothing was changed. To go on, " + how +
                  ", or give --discard-unsaved to drop them");
}

ControlReply CommandRun::Show() {
    ProfileReport report;
    report.profile = ChosenProfile();
    report.current = report.profile == StoredCurrentProfile();
    settings::ProfileSettings scratch;
    LoadStoredProfile(report.profile, scratch);
    report.values = settings::TakeProfileValues(scratch);
    const FunctionNaming naming = Naming();
    return Done(command_.json ? ProfileAsJson(report, naming) : ProfileAsText(report, naming));
}

ControlReply CommandRun::SelectAndApply(std::int32_t profile) {
    if (const platform::Result<void> ready = MouseReady(); !ready.ok()) {
        return Failed(ready.error().message);
    }
    if (!settings::SelectProfile(Context(target_.profile, target_.currentProfile), profile)) {
        return WithMessages(Failed({}));  // config.ini could not be read; the message says why
    }
    if (target_.repaint) {
        target_.repaint();
    }
    if (const platform::Result<void> uploaded = UploadSucceeded(target_.upload()); !uploaded.ok()) {
        return WithMessages(Failed(uploaded.error().message));
    }
    return WithMessages(Done("profile " + std::to_string(profile) + " applied\n"));
}

ControlReply CommandRun::Apply() {
    if (const platform::Result<void> ready = MouseReady(); !ready.ok()) {
        return Failed(ready.error().message);
    }
    if (const platform::Result<void> uploaded = UploadSucceeded(target_.upload()); !uploaded.ok()) {
        return WithMessages(Failed(uploaded.error().message));
    }
    return WithMessages(
        Done("profile " + std::to_string(target_.currentProfile.load()) + " applied\n"));
}

ControlReply CommandRun::Set() {
    const std::int32_t profile = ChosenProfile();
    settings::ProfileSettings scratch;
    LoadStoredProfile(profile, scratch);
    if (const platform::Result<void> applied =
            ApplySettingChanges(scratch, command_.changes, Naming());
        !applied.ok()) {
        return Usage(applied.error().message);
    }
    if (command_.apply) {
        if (const platform::Result<void> ready = MouseReady(); !ready.ok()) {
            return Failed(ready.error().message);
        }
    }
    if (auto failed = SaveOrFail(profile, scratch)) {
        return *failed;
    }
    ReloadIfShown(profile);
    if (command_.apply) {
        return SelectAndApply(profile);
    }
    return Done();
}

ControlReply CommandRun::Export() {
    const std::int32_t profile = ChosenProfile();
    settings::ProfileSettings scratch;
    LoadStoredProfile(profile, scratch);
    std::atomic<std::int32_t> number{profile};
    if (!settings::ExportProfile(Context(scratch, number), command_.operand)) {
        return WithMessages(Failed({}));
    }
    return Done();
}

ControlReply CommandRun::Import() {
    const fs::path& file = command_.operand;
    ini::IniDocument document;
    const ini::FileResult read = ini::IniDocument::LoadChosen(file, document);
    if (!read.ok()) {
        return Failed("\"" + file.string() + "\" cannot be imported: " + read.reason +
                      "; nothing was imported");
    }
    const std::string section = settings::ProfileSectionName(settings::kExchangeProfile);
    if (!document.HasSection(section)) {
        // Readable, but not a profile: bad content, as a profile with a bad value is.
        return Usage("\"" + file.string() + "\" holds no mouse profile (section [" + section +
                     "] is missing); nothing was imported");
    }
    // A script gets the checks of `set`: a bad value is refused, not loaded as some number.
    if (const platform::Result<void> checked = CheckImportedProfile(document, Naming());
        !checked.ok()) {
        return Usage("\"" + file.string() + "\" was not imported: " + checked.error().message);
    }
    const std::int32_t profile = ChosenProfile();
    settings::ProfileSettings scratch;
    settings::LoadProfile(document, settings::kExchangeProfile, false,
                          static_cast<std::uint8_t>(target_.languageFlag), scratch);
    if (auto failed = SaveOrFail(profile, scratch)) {
        return *failed;
    }
    ReloadIfShown(profile);
    return Done();
}

ControlReply CommandRun::Reset() {
    if (const platform::Result<void> ready = MouseReady(); !ready.ok()) {
        return Failed(ready.error().message);
    }
    auto defaults = std::make_shared<macro::MacroStore>();
    bool defaultsLoaded = false;
    ini::FileResult macrosSaved;
    settings::ProfileActionContext context = Context(target_.profile, target_.currentProfile);
    context.hooks.repaint = target_.repaint;
    context.hooks.loadDefaultMacros = [&](const fs::path& file) {
        defaultsLoaded = macro::LoadUserMacros(*defaults, file, messages_);
        return defaultsLoaded;
    };
    context.hooks.saveUserMacros = [&](const fs::path& file) {
        macrosSaved = macro::SaveUserMacros(*defaults, file);
        return macrosSaved.ok();
    };
    device::UploadOutcome uploadOutcome;
    context.hooks.upload = [&](std::int32_t) {
        uploadOutcome = target_.upload();
        return uploadOutcome.saved;
    };
    const bool everythingWritten = settings::ResetAllProfiles(context);
    if (defaultsLoaded && macrosSaved.ok() && target_.userMacrosReplaced) {
        std::vector<macro::MacroRecord> records;
        for (int i = 0; i < defaults->UserCount(); ++i) {
            records.push_back(defaults->CopyUserMacro(i));
        }
        target_.userMacrosReplaced(records);
    }
    if (target_.repaint) {
        target_.repaint();
    }
    if (!macrosSaved.ok()) {
        return WithMessages(Failed(
            macro::SaveFailedMessage(target_.userMacroPath, target_.languageFlag, macrosSaved)));
    }
    if (!everythingWritten) {
        return WithMessages(Failed({}));  // the reset's own message names the file
    }
    if (!uploadOutcome.reportsSent) {
        return WithMessages(
            Failed(text::Message(text::TextId::kUploadNotReceived, target_.languageFlag)));
    }
    return WithMessages(Done("every profile reset and profile " +
                             std::to_string(target_.currentProfile.load()) + " applied\n"));
}

platform::Result<void> CommandRun::LoadMacroFile(macro::MacroStore& store, const fs::path& file) {
    if (!ini::IniDocument::Load(file).HasSection(macro::kMacroSection)) {
        return platform::Error{platform::ErrorCode::kMalformed,
                               "\"" + file.string() + "\" holds no macros (section [" +
                                   std::string(macro::kMacroSection) +
                                   "] is missing or the file cannot be read)"};
    }
    platform::RecordingMessageSink ignored;
    if (!macro::LoadUserMacros(store, file, ignored)) {
        return platform::Error{platform::ErrorCode::kIoError,
                               "\"" + file.string() + "\" cannot be read"};
    }
    return platform::Ok();
}

ControlReply CommandRun::MacrosList() {
    macro::MacroStore store;
    if (const platform::Result<void> loaded = LoadMacroFile(store, target_.userMacroPath);
        !loaded.ok()) {
        return Failed(loaded.error().message);
    }
    std::string out;
    for (int i = 0; i < store.UserCount(); ++i) {
        const macro::MacroRecord& record = store.UserMacro(i);
        out += std::to_string(i + 1) + "\t" + macro::NameText(record) + "\t" +
               std::to_string(record.stepCount) + " steps\t" +
               (record.repeatOn != 0 ? "repeat " + std::to_string(record.repeatCount.Value())
                                     : std::string("once")) +
               "\n";
    }
    return Done(out);
}

ControlReply CommandRun::MacrosShow() {
    macro::MacroStore store;
    if (const platform::Result<void> loaded = LoadMacroFile(store, target_.userMacroPath);
        !loaded.ok()) {
        return Failed(loaded.error().message);
    }
    const int index = store.FindMacro(command_.operand);
    if (index >= store.UserCount()) {
        return Failed("no user macro is named \"" + command_.operand + "\" (see macros list)");
    }
    const macro::MacroRecord& record = store.UserMacro(index);
    std::string out =
        macro::NameText(record) + "\n" +
        (record.repeatOn != 0 ? "repeat " + std::to_string(record.repeatCount.Value()) + " times\n"
                              : std::string("play once\n"));
    for (int step = 0; step < record.stepCount; ++step) {
        const auto n = static_cast<std::size_t>(step);
        out += macro::StepLineText(record.steps[n]) + "\n" +
               macro::DelayLineText(record.delays[n].Value()) + "\n";
    }
    return Done(out);
}

ControlReply CommandRun::MacrosExport() {
    macro::MacroStore store;
    if (const platform::Result<void> loaded = LoadMacroFile(store, target_.userMacroPath);
        !loaded.ok()) {
        return Failed(loaded.error().message);
    }
    const ini::FileResult saved = macro::SaveUserMacros(store, command_.operand);
    if (!saved.ok()) {
        return Failed(macro::SaveFailedMessage(command_.operand, target_.languageFlag, saved));
    }
    return Done();
}

ControlReply CommandRun::MacrosImport() {
    const fs::path& file = command_.operand;
    const auto checked = macro::ReadMacroFileStrictly(file);
    if (!checked.ok()) {
        const std::string& why = checked.error().message;
        switch (checked.error().code) {
            case platform::ErrorCode::kMalformed:
                return Usage("\"" + file.string() + "\" was not imported: " + why);
            case platform::ErrorCode::kUnsupported:
                return Failed("\"" + file.string() + "\" " + why + "; nothing was imported");
            default:
                return Failed("\"" + file.string() + "\" cannot be imported: " + why +
                              "; nothing was imported");
        }
    }
    macro::MacroStore store;
    store.ReplaceUserMacros(*checked);
    const ini::FileResult saved = macro::SaveUserMacros(store, target_.userMacroPath);
    if (!saved.ok()) {
        return Failed(macro::SaveFailedMessage(target_.userMacroPath, target_.languageFlag, saved));
    }
    if (target_.userMacrosReplaced) {
        target_.userMacrosReplaced(*checked);
    }
    return Done();
}

}  // namespace

ControlReply RunCommand(const ParsedCommand& command, ControlTarget& target) {
    if (command.kind == CommandKind::List) {
        std::string lastReason;
        if (auto sim = platform::SimTransport::FromEnvironment()) {
            return ListMouseInterfaces(*sim, [] { return std::string(); });
        }
        platform::HidrawTransport hidraw(
            [&lastReason](std::string_view text) { lastReason = std::string(text); });
        return ListMouseInterfaces(hidraw, [&lastReason] { return std::exchange(lastReason, {}); });
    }
    return CommandRun(command, target).Run();
}

ControlReply ListMouseInterfaces(platform::HidTransport& transport,
                                 const std::function<std::string()>& takeReason) {
    std::string out;
    bool found = false;
    for (const platform::HidCollectionInfo& collection : transport.Enumerate()) {
        if (collection.vendorId != device::kMouseVendorId ||
            collection.productId != device::kMouseProductId) {
            continue;
        }
        found = true;
        const bool reading = collection.usagePage == device::kReadUsagePage;
        takeReason();
        const auto channel = transport.Open(
            collection, reading ? platform::HidAccess::Read : platform::HidAccess::Write);
        std::string state = "ok";
        if (!channel) {
            const std::string reason = takeReason();
            state = reason.empty() ? "cannot be opened" : reason;
        }
        out += collection.path + "\t" + platform::HexNumber(collection.usagePage, 4) + ":" +
               platform::HexNumber(collection.usage, 4) + "\t" + (reading ? "read" : "write") +
               "\t" + state + "\n";
    }
    if (!found) {
        return Failed("no mouse found (vendor 18f8, product 1286)");
    }
    return Done(out);
}

}  // namespace zel::control
