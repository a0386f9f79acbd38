// wbplugin: the actions and the expression through which an application in a
// browser's plug-in window opens addresses and shows status text. In this
// deliverable they accept their parameters and do nothing else.
#include "description.h"

namespace {

// Window targets handed to openUrl; a null target is the plug-in's own window.
const char TargetSelf[] = "_self";
const char TargetParent[] = "_parent";
const char TargetTop[] = "_top";
const char TargetBlank[] = "_blank";

// The expression's result: the empty text.
const char EmptyUrl[] = "";

// Opens `address` in the window named by `target`. Reads nothing, changes nothing.
int16_t openUrl(RunObjectData*, const char*, const char*) { return 0; }

const char* TextParameter(intptr_t p) { return reinterpret_cast<const char*>(p); }

int16_t HOSTAPI OpenInPluginWindow(RunObjectData* rd, intptr_t url, intptr_t)
{
    return openUrl(rd, TextParameter(url), nullptr);
}
int16_t HOSTAPI OpenInCurrentWindow(RunObjectData* rd, intptr_t url, intptr_t)
{
    return openUrl(rd, TextParameter(url), TargetSelf);
}
int16_t HOSTAPI OpenInParentWindow(RunObjectData* rd, intptr_t url, intptr_t)
{
    return openUrl(rd, TextParameter(url), TargetParent);
}
int16_t HOSTAPI OpenInTopWindow(RunObjectData* rd, intptr_t url, intptr_t)
{
    return openUrl(rd, TextParameter(url), TargetTop);
}
int16_t HOSTAPI OpenInNewWindow(RunObjectData* rd, intptr_t url, intptr_t)
{
    return openUrl(rd, TextParameter(url), TargetBlank);
}
int16_t HOSTAPI DisplayStatusMessage(RunObjectData*, intptr_t, intptr_t) { return 0; }
int16_t HOSTAPI OpenInTargetWindow(RunObjectData* rd, intptr_t url, intptr_t target)
{
    return openUrl(rd, TextParameter(url), TextParameter(target));
}

// "Current URL$(": the empty text. Like every text expression it sets
// TextResultFlag, so that the host reads the result as a text.
intptr_t HOSTAPI CurrentUrl(RunObjectData* rd, intptr_t)
{
    SetTextResultFlag(rd);
    return reinterpret_cast<intptr_t>(EmptyUrl);
}

// No condition can be chosen: the table holds only its closing null.
const ConditionRoutine Conditions[] = {nullptr};
const ActionRoutine Actions[] = {OpenInPluginWindow, OpenInCurrentWindow, OpenInParentWindow, OpenInTopWindow,
                                 OpenInNewWindow,    DisplayStatusMessage, OpenInTargetWindow, nullptr};
const ExpressionRoutine Expressions[] = {CurrentUrl, nullptr};

const EntryInfo ConditionInfos[] = {{0, 0, 0, 0, 0, 0}};
const EntryInfo ActionInfos[] = {
    {0, 0, ParamText, 0, 65, 0},  {1, 0, ParamText, 0, 65, 0}, {2, 0, ParamText, 0, 65, 0},
    {3, 0, ParamText, 0, 65, 0},  {4, 0, ParamText, 0, 65, 0}, {5, 0, ParamText, 0, 0, 0},
    {6, 0, ParamText, ParamText, 65, 66},
};
const EntryInfo ExpressionInfos[] = {{0, 0, 0, 0, 0, 0}};

const PopupRemoval Removals[] = {{true, 0}, {false, 2004}, {false, 2020}, {false, 2003}, {false, 2006}};

}  // namespace

extern "C" const ObjectDescription TheObject = {
    /* runObjectDataSize */ 152,
    /* conditionCount */ 1,
    /* actionCount */ 7,
    /* expressionCount */ 1,
    /* editStructureSize */ 24,
    /* optionWord */ 1,
    /* writesOptionByte */ false,
    /* optionByte */ 0,
    /* objectId */ {'G', 'U', 'L', 'P'},
    Conditions,
    Actions,
    Expressions,
    ConditionInfos,
    ActionInfos,
    ExpressionInfos,
    /* infos0 */ 0x200,
    /* infos2 */ 0,
    /* createRunObject */ nullptr,
    /* destroyRunObject */ nullptr,
    /* handleRunObject */ nullptr,
    /* handleResult */ 1,
    /* setDefaults */ nullptr,
    /* dialogProcedure */ nullptr,
    /* runSetupDialog */ nullptr,
    DialogEndRule::None,
    Removals,
    sizeof Removals / sizeof Removals[0],
    RectRule::Fixed32,
    /* modifyObjectSetsSize */ false,
};
