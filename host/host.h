// The host stand-in: loads a deliverable, plays the host's editor and player
// against it, and lets tests and tools watch what the object does.
//
// Everything runs on the calling thread, one call at a time, as in the host.
// Every call into the object is made with a message box catcher in place: a
// message box the object opens is recorded (caption, text, icon) and closed
// at once, so no test ever waits on one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "entry_points.h"
#include "hrtl32_script.h"

namespace host {

// A message box the object opened during a call.
struct MessageBoxRecord {
    std::string caption;
    std::string text;
    bool hasIcon = false;
    int answer = 0;  // the button the catcher pressed (the box's default)
};

// Message boxes caught since the last call of TakeMessageBoxes, oldest first.
std::vector<MessageBoxRecord> TakeMessageBoxes();

// Catches message boxes opened on the current thread while it lives. Library,
// Editor and RunObject hold one around their calls; nested catchers share one
// hook. Use it directly around calls made through Library's function members
// on another thread.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
};

// A loaded deliverable with every entry point resolved by name (null when the
// deliverable does not export it).
class Library {
public:
    explicit Library(const std::string& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HMODULE module() const { return module_; }
    const std::string& path() const { return path_; }
    FARPROC proc(const char* name) const;

    // GetRunObjectInfos into a record whose unwritten bytes hold `fill`.
    RunInfos runInfos(uint8_t fill = 0xCC) const;

    GetInfosProc GetInfos = nullptr;
    DefaultOIProc DefaultOI = nullptr;
    InitObjectProc InitObject = nullptr;
    ReinitObjectProc ReinitObject = nullptr;
    LoadObjectProc LoadObject = nullptr;
    UnloadObjectProc UnloadObject = nullptr;
    PutObjectProc PutObject = nullptr;
    RemoveObjectProc RemoveObject = nullptr;
    MakeIconProc MakeIcon = nullptr;
    GetDescProc GetDesc = nullptr;
    AppendPopupProc AppendPopup = nullptr;
    SelectPopupProc SelectPopup = nullptr;
    CreateObjectProc CreateObject = nullptr;
    ModifyObjectProc ModifyObject = nullptr;
    RebuildExtProc RebuildExt = nullptr;
    EndModifyObjectProc EndModifyObject = nullptr;
    GetObjectCursorProc GetObjectCursor = nullptr;
    GetObjectRectProc GetObjectRect = nullptr;
    EditorDisplayProc EditorDisplay = nullptr;
    IsTransparentProc IsTransparent = nullptr;
    PrepareToWriteObjectProc PrepareToWriteObject = nullptr;
    UpdateFileNamesProc UpdateFileNames = nullptr;
    UpdateEditStructureProc UpdateEditStructure = nullptr;
    GetMenuProc GetConditionMenu = nullptr;
    GetMenuProc GetActionMenu = nullptr;
    GetMenuProc GetExpressionMenu = nullptr;
    GetCodeFromMenuProc GetConditionCodeFromMenu = nullptr;
    GetCodeFromMenuProc GetActionCodeFromMenu = nullptr;
    GetCodeFromMenuProc GetExpressionCodeFromMenu = nullptr;
    GetStringProc GetConditionString = nullptr;
    GetStringProc GetActionString = nullptr;
    GetStringProc GetExpressionString = nullptr;
    InitParameterProc InitParameter = nullptr;
    EditParameterProc EditParameter = nullptr;
    GetParameterStringProc GetParameterString = nullptr;
    GetTitleProc GetConditionTitle = nullptr;
    GetTitleProc GetActionTitle = nullptr;
    GetExpressionTitleProc GetExpressionTitle = nullptr;
    GetInfosOfEntryProc GetConditionInfos = nullptr;
    GetInfosOfEntryProc GetActionInfos = nullptr;
    GetInfosOfEntryProc GetExpressionInfos = nullptr;
    GetRunObjectDataSizeProc GetRunObjectDataSize = nullptr;
    CreateRunObjectProc CreateRunObject = nullptr;
    DestroyRunObjectProc DestroyRunObject = nullptr;
    HandleRunObjectProc HandleRunObject = nullptr;
    RunObjectNoticeProc DisplayRunObject = nullptr;
    RunObjectNoticeProc ReInitRunObject = nullptr;
    RunObjectNoticeProc PauseRunObject = nullptr;
    RunObjectNoticeProc ContinueRunObject = nullptr;
    GetRunObjectInfosProc GetRunObjectInfos = nullptr;

private:
    std::string path_;
    HMODULE module_ = nullptr;
    // Calls made through the function members above on this thread are
    // covered as long as the library is loaded.
    std::unique_ptr<MessageBoxCatcher> catcher_;
};

// The editor's side: a HostContext with an image bank and draw surface for
// the HRTL32 stand-in, an editor window, and a record of ShowHelp calls.
class Editor {
public:
    Editor();
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    HostContext* context() { return &context_.record; }
    HWND window() const { return window_; }

    // A new EditStructure: editStructureSize bytes, all zero.
    std::vector<uint8_t> newEditStructure(const Library& library) const;

    // CreateObject / SelectPopup with the EditStructure; a dialog script
    // (hrtl32_script.h) set before the call drives the dialog.
    int32_t createObject(const Library& library, std::vector<uint8_t>& edit);
    int32_t selectPopup(const Library& library, intptr_t command, std::vector<uint8_t>& edit);

    // Paths handed to ShowHelp, with the two other arguments.
    struct HelpCall {
        std::string path;
        intptr_t a;
        intptr_t b;
    };
    std::vector<HelpCall> helpCalls;

private:
    struct Context {
        HostContext record;
        Editor* owner;
    };
    static intptr_t HOSTAPI ShowHelp(const char* path, intptr_t a, intptr_t b);
    Context context_{};
    HWND window_ = nullptr;
};

// The result of an expression as the host reads it: a text when
// TextResultFlag was set by the call, a number otherwise.
struct ExpressionResult {
    bool isText = false;
    intptr_t value = 0;  // the number, or the text's address
    std::string text;    // the text, when isText
};

// One run object of a deliverable in the player: the RunObjectData with its
// header, the PlayerContext with the host's service routines, frames and
// routine calls by code.
class RunObject {
public:
    // Allocates the RunObjectData (GetRunObjectDataSize bytes, header filled,
    // the rest zero) and calls CreateRunObject with `edit` (a zero
    // EditStructure of editStructureSize bytes when empty).
    explicit RunObject(const Library& library, std::vector<uint8_t> edit = {});
    // Calls DestroyRunObject unless destroy() was called.
    ~RunObject();
    RunObject(const RunObject&) = delete;
    RunObject& operator=(const RunObject&) = delete;

    RunObjectData* data() { return reinterpret_cast<RunObjectData*>(data_.data()); }
    size_t size() const { return data_.size(); }
    // The object's own fields, which start at offset 152.
    template <class T>
    T& fields()
    {
        return *reinterpret_cast<T*>(data_.data() + sizeof(RunObjectHeader));
    }
    const RunInfos& infos() const { return infos_; }

    int16_t createResult() const { return createResult_; }
    int16_t frame();  // HandleRunObject once
    int16_t destroy();

    // Routines by code. Text parameters are passed as the address of a copy
    // that lives during the call.
    int32_t condition(int code, intptr_t p1 = 0, intptr_t p2 = 0);
    int16_t action(int code, intptr_t p1 = 0, intptr_t p2 = 0);
    int16_t action(int code, const std::string& text, intptr_t p2 = 0);
    int16_t action(int code, const std::string& text1, const std::string& text2);
    // The host clears TextResultFlag before the call; `parameter` is what
    // GetExpressionParameter answers for the call's token.
    ExpressionResult expression(int code, int32_t parameter = 0);

    // Rules run when the object raises an event with that condition code.
    // Every RaiseEvent is also recorded in `events`.
    using Rule = std::function<void(RunObject& object, intptr_t value)>;
    void onEvent(int conditionCode, Rule rule) { rules_[conditionCode].push_back(std::move(rule)); }
    struct Event {
        intptr_t code;
        intptr_t value;
    };
    std::vector<Event> events;
    // Sizes asked of GetTextResultBuffer, in order.
    std::vector<intptr_t> textBufferSizes;
    // Tokens passed to GetExpressionParameter, in order.
    std::vector<intptr_t> parameterTokens;
    // The application's location parts answered by GetApplicationPathPart:
    // 1 drive, 2 directory, 3 path, 4 name.
    std::map<int, std::string> applicationPath;
    // The PlayerWindowInfo window.
    void setWindow(HWND window);

private:
    struct Player {
        PlayerContext record;
        uint8_t windowInfo[16];
        RunObject* owner;
    };
    static intptr_t HOSTAPI RaiseEvent(RunObjectData* rd, intptr_t code, intptr_t value);
    static int32_t HOSTAPI GetExpressionParameter(RunObjectData* rd, intptr_t zero, intptr_t token);
    static intptr_t HOSTAPI GetApplicationPathPart(RunObjectData* rd, intptr_t part, char* buffer);
    static char* HOSTAPI GetTextResultBuffer(RunObjectData* rd, intptr_t size, intptr_t zero);
    static RunObject* OwnerOf(RunObjectData* rd);

    const Library& library_;
    RunInfos infos_{};
    std::vector<uint8_t> edit_;
    std::vector<uint8_t> data_;
    std::unique_ptr<Player> player_;
    std::vector<std::unique_ptr<char[]>> textBuffers_;
    std::map<int, std::vector<Rule>> rules_;
    std::map<intptr_t, int32_t> parameters_;
    intptr_t nextToken_ = 1;
    int16_t createResult_ = 0;
    bool destroyed_ = false;
};

// Directory of the running test program (build/win64/bin), where the
// deliverables are.
std::string ProgramDirectory();
// Full path of a deliverable of the run build, e.g. DeliverablePath("wbplugin").
std::string DeliverablePath(const std::string& name);

}  // namespace host
