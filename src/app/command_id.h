#pragma once

// Identifiers of the frame's commands. The numbers are the ones the commands
// always had, so logs and tests can name them the same way.
enum class CommandId : int {
    DownLoad = 32771,
    InstantSampling = 32772,
    WaveBackView = 32773, // review
    CaseManage = 32774,
    SysSetting = 32775,
    Help = 32776,
    AppAbout = 57664,
    AppExit = 57665,
};
