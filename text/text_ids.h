// Names of the TextIds of the language table (text/language_table.cpp), so that no text is
// addressed by a bare number. Grouped as the table is: labels, the table view's fixed-width
// labels, questions and messages. Ids without a text (56..59, 69, 93..99, 102..109, 132..199)
// have no name. The added texts follow from 200 on.
#pragma once

#include "text/language.h"

// Words, labels and captions.
constexpr TextId kTextAbout = 0;
constexpr TextId kTextNo = 1;
constexpr TextId kTextYes = 2;
constexpr TextId kTextOff = 3;
constexpr TextId kTextWorkPercent = 4;
constexpr TextId kTextPeakPercent = 5;
constexpr TextId kTextParts = 6;
constexpr TextId kTextComm = 7;
constexpr TextId kTextCommunication = 8;  // also a caption
constexpr TextId kTextParameters = 9;
constexpr TextId kTextCommonParameters = 10;
constexpr TextId kTextKvdSettings = 11;
constexpr TextId kTextCut = 12;
constexpr TextId kTextCutNumber = 13;
constexpr TextId kTextZoom = 14;
constexpr TextId kTextRelaysDisabled = 15;
constexpr TextId kTextStatistics = 16;
constexpr TextId kTextFile = 17;
constexpr TextId kTextParamCutHeading = 18;
constexpr TextId kTextPrinted = 19;
constexpr TextId kTextLegend = 20;
constexpr TextId kTextBreakLimit = 21;
constexpr TextId kTextBreakDelay = 22;
constexpr TextId kTextBluntLimit = 23;
constexpr TextId kTextBluntMode = 24;
constexpr TextId kTextBluntDelay = 25;
constexpr TextId kTextBluntAlarmMode = 26;
constexpr TextId kTextBluntCount = 27;
constexpr TextId kTextMissingLimit = 28;
constexpr TextId kTextMissingDelay = 29;
constexpr TextId kTextMissingCount = 30;
constexpr TextId kTextTaOnBlunt = 31;
constexpr TextId kTextWorkDivisor = 32;
constexpr TextId kTextCommonForAllCuts = 33;
constexpr TextId kTextAverage = 34;
constexpr TextId kTextSamples = 35;
constexpr TextId kTextCyclesPerScreen = 36;
constexpr TextId kTextDebounce = 37;
constexpr TextId kTextUnitId = 38;
constexpr TextId kTextKwRange = 39;
constexpr TextId kTextSendingParameters = 40;
constexpr TextId kTextPleaseWait = 41;
constexpr TextId kTextBreakSettings = 42;  // the six page titles: 42..47
constexpr TextId kTextBluntSettings = 43;
constexpr TextId kTextMissingSettings = 44;
constexpr TextId kTextTimers = 45;
constexpr TextId kTextMeasurementSettings = 46;
constexpr TextId kTextMiscellaneous = 47;
constexpr TextId kTextPower = 48;
constexpr TextId kTextWork = 49;
constexpr TextId kTextEndPadded = 50;
constexpr TextId kTextImmediately = 51;
constexpr TextId kTextPoCalc = 52;
constexpr TextId kTextError = 53;  // the caption of most failures
constexpr TextId kTextErr1 = 54;
constexpr TextId kTextScreenDump = 55;  // the caption of the screen dump's messages
constexpr TextId kTextPwr = 60;
constexpr TextId kTextWrk = 61;
constexpr TextId kTextEnd = 62;
constexpr TextId kTextImm = 63;
constexpr TextId kTextTs = 64;
constexpr TextId kTextPo = 65;
constexpr TextId kTextBreak = 66;
constexpr TextId kTextBlunt = 67;
constexpr TextId kTextMissingShort = 68;

// The parameter table's labels, 13 characters wide.
constexpr TextId kLabelBreakLimit = 70;
constexpr TextId kLabelBreakDelay = 71;
constexpr TextId kLabelBluntLimit = 72;
constexpr TextId kLabelBluntMode = 73;
constexpr TextId kLabelBluntDelay = 74;
constexpr TextId kLabelBluntAlarm = 75;
constexpr TextId kLabelBluntCount = 76;
constexpr TextId kLabelMissingLimit = 77;
constexpr TextId kLabelMissingDelay = 78;
constexpr TextId kLabelMissingCount = 79;
constexpr TextId kLabelTw = 80;
constexpr TextId kLabelTs = 81;
constexpr TextId kLabelTa = 82;
constexpr TextId kLabelTaOnBlunt = 83;
constexpr TextId kLabelP1Max = 84;
constexpr TextId kLabelP1Min = 85;
constexpr TextId kLabelAverage = 86;
constexpr TextId kLabelCyclesPerScreen = 87;
constexpr TextId kLabelKvdId = 88;
constexpr TextId kLabelPoSamples = 89;
constexpr TextId kLabelWorkDivisor = 90;
constexpr TextId kLabelDebounce = 91;
constexpr TextId kLabelRange = 92;

// Questions and messages.
constexpr TextId kTextNotConnectedContinue = 100;
constexpr TextId kTextNoCurve = 101;
constexpr TextId kTextExportFailed = 110;
constexpr TextId kTextConfigurationFailed = 111;
constexpr TextId kTextNoUnitNoLoad = 112;
constexpr TextId kTextNotAParameterFile = 113;
constexpr TextId kTextPortFailed = 114;
constexpr TextId kTextPrinterFailed = 115;
constexpr TextId kTextParametersNotRead = 116;
constexpr TextId kTextParametersNotSaved = 117;
constexpr TextId kTextPrintActiveCutFailed = 118;
constexpr TextId kTextPrintParametersFailed = 119;
constexpr TextId kTextPrintStatisticsFailed = 120;
constexpr TextId kTextSheetFailed = 121;
constexpr TextId kTextScreenTooSmall = 122;
constexpr TextId kTextStatisticsNotLoaded = 123;
constexpr TextId kTextStatisticsNotSaved = 124;
constexpr TextId kTextUnitNotFound = 125;
constexpr TextId kTextBitmapMemory = 126;
constexpr TextId kTextBitmapFormat = 127;
constexpr TextId kTextBitmapColourTable = 128;
constexpr TextId kTextBitmapCreate = 129;
constexpr TextId kTextBitmapWrite = 130;
constexpr TextId kTextBitmapClose = 131;

// Added texts: the wear forecast.
constexpr TextId kTextForecast = 200;
constexpr TextId kTextBluntLimitInAbout = 201;
constexpr TextId kTextBreakLimitInAbout = 202;
constexpr TextId kTextCycles = 203;
constexpr TextId kTextNever = 204;
constexpr TextId kTextRisingSinceCycle = 205;
constexpr TextId kTextNoRise = 206;
constexpr TextId kTextTooFewCycles = 207;
constexpr TextId kTextReached = 208;
constexpr TextId kTextChangeToolWithin = 209;
// Asked at the close while the last autosave failed: Yes opens Save statistics as.
constexpr TextId kTextSaveStatisticsElsewhere = 210;
// After Save or Load statistics: the configuration file did not take the new file in use.
constexpr TextId kTextFileInUseNotRemembered = 211;

// Added texts: the plant link dialog (Communication / Plant link...) and its Test.
constexpr TextId kTextPlantLink = 212;
constexpr TextId kTextPlantLinkOn = 213;
constexpr TextId kTextBrokerHost = 214;
constexpr TextId kTextBrokerPort = 215;
constexpr TextId kTextTls = 216;
constexpr TextId kTextCaFile = 217;
constexpr TextId kTextBrowse = 218;
constexpr TextId kTextMachineName = 219;
constexpr TextId kTextUser = 220;
constexpr TextId kTextPassword = 221;
constexpr TextId kTextTopicPrefix = 222;
constexpr TextId kTextTest = 223;
constexpr TextId kTextCancel = 224;
constexpr TextId kTextTesting = 225;
constexpr TextId kTextConnected = 226;
constexpr TextId kTextRefusedPassword = 227;
constexpr TextId kTextRefusedNotAuthorised = 228;
constexpr TextId kTextRefused = 229;
constexpr TextId kTextNotTrusted = 230;
constexpr TextId kTextNoAnswer = 231;
constexpr TextId kTextNoConnection = 232;
constexpr TextId kTextCaFiles = 233;
