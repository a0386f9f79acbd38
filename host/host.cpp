// The host stand-in: library loading, the editor's HostContext, the player's
// RunObjectData and PlayerContext with the service routines, and the message
// box catcher.
#include "host.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace host {

// ---------------------------------------------------------------------------
// Message boxes

namespace {

std::mutex boxesLock;
std::vector<MessageBoxRecord> caughtBoxes;

// One WH_CBT hook per thread, shared by nested catchers.
thread_local HHOOK cbtHook = nullptr;
thread_local int catcherDepth = 0;

// Control ids of a message box: the text is 0xFFFF on every system; the icon
// is 20 on Windows and 1088 under Wine.
constexpr int BoxTextId = 0xFFFF;
constexpr int BoxIconIds[] = {20, 1088};

bool IsMessageBox(HWND window)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0)
        return false;
    // Message boxes are dialogs of the system's user library (Wine leaves
    // their instance 0); the objects' own dialogs come from their modules.
    const HINSTANCE owner = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    if (owner != nullptr && owner != GetModuleHandleA("user32.dll"))
        return false;
    return GetDlgItem(window, BoxTextId) != nullptr;
}

bool ShowsIcon(HWND box)
{
    for (int id : BoxIconIds) {
        HWND icon = GetDlgItem(box, id);
        if (icon == nullptr)
            continue;
        char className[16] = "";
        GetClassNameA(icon, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0)
            continue;  // a button that happens to carry the id
        // The box is not shown yet when it is activated: only the icon counts.
        if (SendMessageA(icon, STM_GETICON, 0, 0) != 0)
            return true;
    }
    return false;
}

LRESULT CALLBACK CbtProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsMessageBox(window)) {
            MessageBoxRecord record;
            char text[4096] = "";
            GetWindowTextA(window, text, sizeof text);
            record.caption = text;
            text[0] = '\0';
            GetDlgItemTextA(window, BoxTextId, text, sizeof text);
            record.text = text;
            record.hasIcon = ShowsIcon(window);
            // Answer with the default button, as the Enter key would.
            const LRESULT def = SendMessageA(window, DM_GETDEFID, 0, 0);
            record.answer = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(record.answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, record.answer)));
            std::lock_guard<std::mutex> hold(boxesLock);
            caughtBoxes.push_back(std::move(record));
        }
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

}  // namespace

std::vector<MessageBoxRecord> TakeMessageBoxes()
{
    std::lock_guard<std::mutex> hold(boxesLock);
    std::vector<MessageBoxRecord> taken;
    taken.swap(caughtBoxes);
    return taken;
}

MessageBoxCatcher::MessageBoxCatcher()
{
    if (catcherDepth++ == 0)
        cbtHook = SetWindowsHookExA(WH_CBT, CbtProcedure, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (--catcherDepth == 0 && cbtHook != nullptr) {
        UnhookWindowsHookEx(cbtHook);
        cbtHook = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Library

Library::Library(const std::string& path) : path_(path)
{
    catcher_ = std::make_unique<MessageBoxCatcher>();
    module_ = LoadLibraryA(path.c_str());
    if (module_ == nullptr)
        return;
#define RESOLVE(name) name = reinterpret_cast<decltype(name)>(reinterpret_cast<void*>(proc(#name)))
    RESOLVE(GetInfos);
    RESOLVE(DefaultOI);
    RESOLVE(InitObject);
    RESOLVE(ReinitObject);
    RESOLVE(LoadObject);
    RESOLVE(UnloadObject);
    RESOLVE(PutObject);
    RESOLVE(RemoveObject);
    RESOLVE(MakeIcon);
    RESOLVE(GetDesc);
    RESOLVE(AppendPopup);
    RESOLVE(SelectPopup);
    RESOLVE(CreateObject);
    RESOLVE(ModifyObject);
    RESOLVE(RebuildExt);
    RESOLVE(EndModifyObject);
    RESOLVE(GetObjectCursor);
    RESOLVE(GetObjectRect);
    RESOLVE(EditorDisplay);
    RESOLVE(IsTransparent);
    RESOLVE(PrepareToWriteObject);
    RESOLVE(UpdateFileNames);
    RESOLVE(UpdateEditStructure);
    RESOLVE(GetConditionMenu);
    RESOLVE(GetActionMenu);
    RESOLVE(GetExpressionMenu);
    RESOLVE(GetConditionCodeFromMenu);
    RESOLVE(GetActionCodeFromMenu);
    RESOLVE(GetExpressionCodeFromMenu);
    RESOLVE(GetConditionString);
    RESOLVE(GetActionString);
    RESOLVE(GetExpressionString);
    RESOLVE(InitParameter);
    RESOLVE(EditParameter);
    RESOLVE(GetParameterString);
    RESOLVE(GetConditionTitle);
    RESOLVE(GetActionTitle);
    RESOLVE(GetExpressionTitle);
    RESOLVE(GetConditionInfos);
    RESOLVE(GetActionInfos);
    RESOLVE(GetExpressionInfos);
    RESOLVE(GetRunObjectDataSize);
    RESOLVE(CreateRunObject);
    RESOLVE(DestroyRunObject);
    RESOLVE(HandleRunObject);
    RESOLVE(DisplayRunObject);
    RESOLVE(ReInitRunObject);
    RESOLVE(PauseRunObject);
    RESOLVE(ContinueRunObject);
    RESOLVE(GetRunObjectInfos);
#undef RESOLVE
}

Library::~Library()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
}

FARPROC Library::proc(const char* name) const
{
    return module_ != nullptr ? GetProcAddress(module_, name) : nullptr;
}

RunInfos Library::runInfos(uint8_t fill) const
{
    RunInfos infos;
    std::memset(&infos, fill, sizeof infos);
    if (GetRunObjectInfos != nullptr) {
        MessageBoxCatcher catcher;
        GetRunObjectInfos(0, &infos);
    }
    return infos;
}

// ---------------------------------------------------------------------------
// Editor

namespace {

// Live editors, newest last; ShowHelp, which carries no context, is recorded
// by the editor whose call is running, or else by the newest.
std::vector<Editor*> liveEditors;
thread_local Editor* activeEditor = nullptr;

// Handles the objects hand back to HRTL32 unread; recognisable in records.
void* const FakeImageBank = reinterpret_cast<void*>(static_cast<uintptr_t>(0x1B0000));
void* const FakeDrawSurface = reinterpret_cast<void*>(static_cast<uintptr_t>(0xD50000));

struct ActiveEditor {
    Editor* outer;
    explicit ActiveEditor(Editor* editor) : outer(activeEditor) { activeEditor = editor; }
    ~ActiveEditor() { activeEditor = outer; }
};

void FitEditStructure(const Library& library, std::vector<uint8_t>& edit)
{
    const size_t size = library.runInfos().editStructureSize;
    if (edit.size() < size)
        edit.resize(size, 0);
}

}  // namespace

Editor::Editor()
{
    context_.owner = this;
    context_.record.imageBank = FakeImageBank;
    context_.record.drawSurface = FakeDrawSurface;
    // The parent of the setup dialogs: a real top-level window, never shown.
    window_ = CreateWindowExA(0, "STATIC", "Editor", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    context_.record.editorWindow = window_;
    context_.record.ShowHelp = &Editor::ShowHelp;
    liveEditors.push_back(this);
}

Editor::~Editor()
{
    liveEditors.erase(std::remove(liveEditors.begin(), liveEditors.end(), this), liveEditors.end());
    if (window_ != nullptr)
        DestroyWindow(window_);
}

std::vector<uint8_t> Editor::newEditStructure(const Library& library) const
{
    return std::vector<uint8_t>(library.runInfos().editStructureSize, 0);
}

int32_t Editor::createObject(const Library& library, std::vector<uint8_t>& edit)
{
    if (library.CreateObject == nullptr)
        return -1;
    FitEditStructure(library, edit);
    MessageBoxCatcher catcher;
    ActiveEditor active(this);
    return library.CreateObject(context(), 0, reinterpret_cast<EditStructure*>(edit.data()));
}

int32_t Editor::selectPopup(const Library& library, intptr_t command, std::vector<uint8_t>& edit)
{
    if (library.SelectPopup == nullptr)
        return -1;
    FitEditStructure(library, edit);
    MessageBoxCatcher catcher;
    ActiveEditor active(this);
    return library.SelectPopup(context(), command, 0, 0, reinterpret_cast<EditStructure*>(edit.data()), 0, 0);
}

intptr_t HOSTAPI Editor::ShowHelp(const char* path, intptr_t a, intptr_t b)
{
    Editor* editor = activeEditor != nullptr ? activeEditor : (liveEditors.empty() ? nullptr : liveEditors.back());
    if (editor != nullptr)
        editor->helpCalls.push_back(HelpCall{path != nullptr ? path : "", a, b});
    return 0;
}

// ---------------------------------------------------------------------------
// RunObject

RunObject::RunObject(const Library& library, std::vector<uint8_t> edit) : library_(library), edit_(std::move(edit))
{
    infos_ = library.runInfos(0);
    if (edit_.size() < infos_.editStructureSize)
        edit_.resize(infos_.editStructureSize, 0);
    size_t size = library.GetRunObjectDataSize != nullptr ? library.GetRunObjectDataSize(0, 0) : 0;
    // The header is the host's and always there.
    data_.assign(std::max(size, sizeof(RunObjectHeader)), 0);

    player_ = std::make_unique<Player>();
    std::memset(&player_->record, 0, sizeof player_->record);
    std::memset(player_->windowInfo, 0, sizeof player_->windowInfo);
    player_->owner = this;
    player_->record.windowInfoOffset =
        static_cast<int32_t>(reinterpret_cast<uint8_t*>(player_->windowInfo) -
                             reinterpret_cast<uint8_t*>(&player_->record));
    player_->record.RaiseEvent = &RunObject::RaiseEvent;
    player_->record.GetExpressionParameter = &RunObject::GetExpressionParameter;
    player_->record.GetApplicationPathPart = &RunObject::GetApplicationPathPart;
    player_->record.GetTextResultBuffer = &RunObject::GetTextResultBuffer;
    SetPlayerContext(data(), &player_->record);

    if (library.CreateRunObject != nullptr) {
        MessageBoxCatcher catcher;
        createResult_ = library.CreateRunObject(data(), reinterpret_cast<EditStructure*>(edit_.data()), 0);
    }
}

RunObject::~RunObject()
{
    if (!destroyed_)
        destroy();
}

void RunObject::setWindow(HWND window)
{
    std::memcpy(player_->windowInfo + offsetof(PlayerWindowInfo, window), &window, sizeof window);
}

int16_t RunObject::frame()
{
    if (library_.HandleRunObject == nullptr || destroyed_)
        return 0;
    MessageBoxCatcher catcher;
    return library_.HandleRunObject(data());
}

int16_t RunObject::destroy()
{
    if (destroyed_)
        return 0;
    destroyed_ = true;
    if (library_.DestroyRunObject == nullptr)
        return 0;
    MessageBoxCatcher catcher;
    return library_.DestroyRunObject(data(), 0);
}

int32_t RunObject::condition(int code, intptr_t p1, intptr_t p2)
{
    if (code < 0 || code >= infos_.conditionCount || infos_.conditionRoutines == nullptr ||
        infos_.conditionRoutines[code] == nullptr)
        return 0;
    MessageBoxCatcher catcher;
    return infos_.conditionRoutines[code](data(), p1, p2);
}

int16_t RunObject::action(int code, intptr_t p1, intptr_t p2)
{
    if (code < 0 || code >= infos_.actionCount || infos_.actionRoutines == nullptr ||
        infos_.actionRoutines[code] == nullptr)
        return 0;
    MessageBoxCatcher catcher;
    return infos_.actionRoutines[code](data(), p1, p2);
}

int16_t RunObject::action(int code, const std::string& text, intptr_t p2)
{
    const std::string copy = text;
    return action(code, reinterpret_cast<intptr_t>(copy.c_str()), p2);
}

int16_t RunObject::action(int code, const std::string& text1, const std::string& text2)
{
    const std::string copy1 = text1;
    const std::string copy2 = text2;
    return action(code, reinterpret_cast<intptr_t>(copy1.c_str()), reinterpret_cast<intptr_t>(copy2.c_str()));
}

ExpressionResult RunObject::expression(int code, int32_t parameter)
{
    ExpressionResult result;
    if (code < 0 || code >= infos_.expressionCount || infos_.expressionRoutines == nullptr ||
        infos_.expressionRoutines[code] == nullptr)
        return result;
    const intptr_t token = nextToken_++;
    parameters_[token] = parameter;
    data()->header.flags = static_cast<uint16_t>(data()->header.flags & ~TextResultFlag);
    {
        MessageBoxCatcher catcher;
        result.value = infos_.expressionRoutines[code](data(), token);
    }
    parameters_.erase(token);
    result.isText = (data()->header.flags & TextResultFlag) != 0;
    if (result.isText && result.value != 0)
        result.text = reinterpret_cast<const char*>(result.value);
    return result;
}

RunObject* RunObject::OwnerOf(RunObjectData* rd)
{
    PlayerContext* pc = PlayerContextOf(rd);
    return pc != nullptr ? reinterpret_cast<Player*>(pc)->owner : nullptr;
}

intptr_t HOSTAPI RunObject::RaiseEvent(RunObjectData* rd, intptr_t code, intptr_t value)
{
    RunObject* self = OwnerOf(rd);
    if (self == nullptr)
        return 0;
    self->events.push_back(Event{code, value});
    // The rules may add rules; run the ones in place at the event.
    auto found = self->rules_.find(static_cast<int>(code));
    if (found == self->rules_.end())
        return 0;
    const std::vector<Rule> rules = found->second;
    for (const Rule& rule : rules)
        rule(*self, value);
    return 0;
}

int32_t HOSTAPI RunObject::GetExpressionParameter(RunObjectData* rd, intptr_t, intptr_t token)
{
    RunObject* self = OwnerOf(rd);
    if (self == nullptr)
        return 0;
    self->parameterTokens.push_back(token);
    auto found = self->parameters_.find(token);
    return found != self->parameters_.end() ? found->second : 0;
}

// The caller's buffer is the host's usual path buffer: the part is cut to
// MAX_PATH - 1 characters.
intptr_t HOSTAPI RunObject::GetApplicationPathPart(RunObjectData* rd, intptr_t part, char* buffer)
{
    RunObject* self = OwnerOf(rd);
    if (self == nullptr || buffer == nullptr)
        return 0;
    auto found = self->applicationPath.find(static_cast<int16_t>(part & 0xFFFF));
    const std::string text = found != self->applicationPath.end() ? found->second : std::string();
    const size_t n = std::min(text.size(), static_cast<size_t>(MAX_PATH - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return 0;
}

// A zeroed buffer of at least `size` bytes that lives as long as the object.
char* HOSTAPI RunObject::GetTextResultBuffer(RunObjectData* rd, intptr_t size, intptr_t)
{
    RunObject* self = OwnerOf(rd);
    if (self == nullptr)
        return nullptr;
    self->textBufferSizes.push_back(size);
    const size_t bytes = size > 0 ? static_cast<size_t>(size) : 1;
    self->textBuffers_.push_back(std::make_unique<char[]>(bytes));
    std::memset(self->textBuffers_.back().get(), 0, bytes);
    return self->textBuffers_.back().get();
}

// ---------------------------------------------------------------------------

std::string ProgramDirectory()
{
    char path[MAX_PATH] = "";
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, n < sizeof path ? n : sizeof path - 1);
    const size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : text.substr(0, slash);
}

std::string DeliverablePath(const std::string& name)
{
    return ProgramDirectory() + "\\" + name + ".dll";
}

}  // namespace host
