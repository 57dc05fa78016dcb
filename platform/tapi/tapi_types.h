#pragma once
// The line side of TAPI 2 as this system uses it: handles, the published
// values of its constants, and typed values in place of its variable-size
// structures (their sizes, offsets and string buffers have no use here).

#include "platform/types.h"

#include <cstdint>
#include <optional>
#include <string>

using HLINEAPP = std::uint32_t;
using HLINE = std::uint32_t;
using HCALL = std::uint32_t;

// ---- Result codes (LINEERR_*) ----

inline constexpr LONG LINEERR_ALLOCATED = static_cast<LONG>(0x80000001u);
inline constexpr LONG LINEERR_BADDEVICEID = static_cast<LONG>(0x80000002u);
inline constexpr LONG LINEERR_BEARERMODEUNAVAIL = static_cast<LONG>(0x80000003u);
inline constexpr LONG LINEERR_CALLUNAVAIL = static_cast<LONG>(0x80000005u);
inline constexpr LONG LINEERR_COMPLETIONOVERRUN = static_cast<LONG>(0x80000006u);
inline constexpr LONG LINEERR_CONFERENCEFULL = static_cast<LONG>(0x80000007u);
inline constexpr LONG LINEERR_DIALBILLING = static_cast<LONG>(0x80000008u);
inline constexpr LONG LINEERR_DIALDIALTONE = static_cast<LONG>(0x80000009u);
inline constexpr LONG LINEERR_DIALPROMPT = static_cast<LONG>(0x8000000Au);
inline constexpr LONG LINEERR_DIALQUIET = static_cast<LONG>(0x8000000Bu);
inline constexpr LONG LINEERR_INCOMPATIBLEAPIVERSION = static_cast<LONG>(0x8000000Cu);
inline constexpr LONG LINEERR_INCOMPATIBLEEXTVERSION = static_cast<LONG>(0x8000000Du);
inline constexpr LONG LINEERR_INIFILECORRUPT = static_cast<LONG>(0x8000000Eu);
inline constexpr LONG LINEERR_INUSE = static_cast<LONG>(0x8000000Fu);
inline constexpr LONG LINEERR_INVALADDRESS = static_cast<LONG>(0x80000010u);
inline constexpr LONG LINEERR_INVALADDRESSID = static_cast<LONG>(0x80000011u);
inline constexpr LONG LINEERR_INVALADDRESSMODE = static_cast<LONG>(0x80000012u);
inline constexpr LONG LINEERR_INVALADDRESSSTATE = static_cast<LONG>(0x80000013u);
inline constexpr LONG LINEERR_INVALAPPHANDLE = static_cast<LONG>(0x80000014u);
inline constexpr LONG LINEERR_INVALAPPNAME = static_cast<LONG>(0x80000015u);
inline constexpr LONG LINEERR_INVALBEARERMODE = static_cast<LONG>(0x80000016u);
inline constexpr LONG LINEERR_INVALCALLCOMPLMODE = static_cast<LONG>(0x80000017u);
inline constexpr LONG LINEERR_INVALCALLHANDLE = static_cast<LONG>(0x80000018u);
inline constexpr LONG LINEERR_INVALCALLPARAMS = static_cast<LONG>(0x80000019u);
inline constexpr LONG LINEERR_INVALCALLPRIVILEGE = static_cast<LONG>(0x8000001Au);
inline constexpr LONG LINEERR_INVALCALLSELECT = static_cast<LONG>(0x8000001Bu);
inline constexpr LONG LINEERR_INVALCALLSTATE = static_cast<LONG>(0x8000001Cu);
inline constexpr LONG LINEERR_INVALCALLSTATELIST = static_cast<LONG>(0x8000001Du);
inline constexpr LONG LINEERR_INVALCARD = static_cast<LONG>(0x8000001Eu);
inline constexpr LONG LINEERR_INVALCOMPLETIONID = static_cast<LONG>(0x8000001Fu);
inline constexpr LONG LINEERR_INVALCONFCALLHANDLE = static_cast<LONG>(0x80000020u);
inline constexpr LONG LINEERR_INVALCONSULTCALLHANDLE = static_cast<LONG>(0x80000021u);
inline constexpr LONG LINEERR_INVALCOUNTRYCODE = static_cast<LONG>(0x80000022u);
inline constexpr LONG LINEERR_INVALDEVICECLASS = static_cast<LONG>(0x80000023u);
inline constexpr LONG LINEERR_INVALDEVICEHANDLE = static_cast<LONG>(0x80000024u);
inline constexpr LONG LINEERR_INVALDIALPARAMS = static_cast<LONG>(0x80000025u);
inline constexpr LONG LINEERR_INVALDIGITLIST = static_cast<LONG>(0x80000026u);
inline constexpr LONG LINEERR_INVALDIGITMODE = static_cast<LONG>(0x80000027u);
inline constexpr LONG LINEERR_INVALDIGITS = static_cast<LONG>(0x80000028u);
inline constexpr LONG LINEERR_INVALEXTVERSION = static_cast<LONG>(0x80000029u);
inline constexpr LONG LINEERR_INVALGROUPID = static_cast<LONG>(0x8000002Au);
inline constexpr LONG LINEERR_INVALLINEHANDLE = static_cast<LONG>(0x8000002Bu);
inline constexpr LONG LINEERR_INVALLINESTATE = static_cast<LONG>(0x8000002Cu);
inline constexpr LONG LINEERR_INVALLOCATION = static_cast<LONG>(0x8000002Du);
inline constexpr LONG LINEERR_INVALMEDIALIST = static_cast<LONG>(0x8000002Eu);
inline constexpr LONG LINEERR_INVALMEDIAMODE = static_cast<LONG>(0x8000002Fu);
inline constexpr LONG LINEERR_INVALMESSAGEID = static_cast<LONG>(0x80000030u);
inline constexpr LONG LINEERR_INVALPARAM = static_cast<LONG>(0x80000032u);
inline constexpr LONG LINEERR_INVALPARKID = static_cast<LONG>(0x80000033u);
inline constexpr LONG LINEERR_INVALPARKMODE = static_cast<LONG>(0x80000034u);
inline constexpr LONG LINEERR_INVALPOINTER = static_cast<LONG>(0x80000035u);
inline constexpr LONG LINEERR_INVALPRIVSELECT = static_cast<LONG>(0x80000036u);
inline constexpr LONG LINEERR_INVALRATE = static_cast<LONG>(0x80000037u);
inline constexpr LONG LINEERR_INVALREQUESTMODE = static_cast<LONG>(0x80000038u);
inline constexpr LONG LINEERR_INVALTERMINALID = static_cast<LONG>(0x80000039u);
inline constexpr LONG LINEERR_INVALTERMINALMODE = static_cast<LONG>(0x8000003Au);
inline constexpr LONG LINEERR_INVALTIMEOUT = static_cast<LONG>(0x8000003Bu);
inline constexpr LONG LINEERR_INVALTONE = static_cast<LONG>(0x8000003Cu);
inline constexpr LONG LINEERR_INVALTONELIST = static_cast<LONG>(0x8000003Du);
inline constexpr LONG LINEERR_INVALTONEMODE = static_cast<LONG>(0x8000003Eu);
inline constexpr LONG LINEERR_INVALTRANSFERMODE = static_cast<LONG>(0x8000003Fu);
inline constexpr LONG LINEERR_LINEMAPPERFAILED = static_cast<LONG>(0x80000040u);
inline constexpr LONG LINEERR_NOCONFERENCE = static_cast<LONG>(0x80000041u);
inline constexpr LONG LINEERR_NODEVICE = static_cast<LONG>(0x80000042u);
inline constexpr LONG LINEERR_NODRIVER = static_cast<LONG>(0x80000043u);
inline constexpr LONG LINEERR_NOMEM = static_cast<LONG>(0x80000044u);
inline constexpr LONG LINEERR_NOREQUEST = static_cast<LONG>(0x80000045u);
inline constexpr LONG LINEERR_NOTOWNER = static_cast<LONG>(0x80000046u);
inline constexpr LONG LINEERR_NOTREGISTERED = static_cast<LONG>(0x80000047u);
inline constexpr LONG LINEERR_OPERATIONFAILED = static_cast<LONG>(0x80000048u);
inline constexpr LONG LINEERR_OPERATIONUNAVAIL = static_cast<LONG>(0x80000049u);
inline constexpr LONG LINEERR_RATEUNAVAIL = static_cast<LONG>(0x8000004Au);
inline constexpr LONG LINEERR_RESOURCEUNAVAIL = static_cast<LONG>(0x8000004Bu);
inline constexpr LONG LINEERR_REQUESTOVERRUN = static_cast<LONG>(0x8000004Cu);
inline constexpr LONG LINEERR_STRUCTURETOOSMALL = static_cast<LONG>(0x8000004Du);
inline constexpr LONG LINEERR_TARGETNOTFOUND = static_cast<LONG>(0x8000004Eu);
inline constexpr LONG LINEERR_TARGETSELF = static_cast<LONG>(0x8000004Fu);
inline constexpr LONG LINEERR_UNINITIALIZED = static_cast<LONG>(0x80000050u);
inline constexpr LONG LINEERR_USERUSERINFOTOOBIG = static_cast<LONG>(0x80000051u);
inline constexpr LONG LINEERR_REINIT = static_cast<LONG>(0x80000052u);
inline constexpr LONG LINEERR_ADDRESSBLOCKED = static_cast<LONG>(0x80000053u);
inline constexpr LONG LINEERR_BILLINGREJECTED = static_cast<LONG>(0x80000054u);
inline constexpr LONG LINEERR_INVALFEATURE = static_cast<LONG>(0x80000055u);
inline constexpr LONG LINEERR_NOMULTIPLEINSTANCE = static_cast<LONG>(0x80000056u);
inline constexpr LONG LINEERR_INVALAGENTID = static_cast<LONG>(0x80000057u);
inline constexpr LONG LINEERR_INVALAGENTGROUP = static_cast<LONG>(0x80000058u);
inline constexpr LONG LINEERR_INVALPASSWORD = static_cast<LONG>(0x80000059u);
inline constexpr LONG LINEERR_INVALAGENTSTATE = static_cast<LONG>(0x8000005Au);
inline constexpr LONG LINEERR_INVALAGENTACTIVITY = static_cast<LONG>(0x8000005Bu);
inline constexpr LONG LINEERR_DIALVOICEDETECT = static_cast<LONG>(0x8000005Cu);
inline constexpr LONG LINEERR_USERCANCELLED = static_cast<LONG>(0x8000005Du);
inline constexpr LONG LINEERR_INVALAGENTSESSIONSTATE = static_cast<LONG>(0x8000005Fu);
inline constexpr LONG LINEERR_DISCONNECTED = static_cast<LONG>(0x80000060u);
inline constexpr LONG LINEERR_SERVICE_NOT_RUNNING = static_cast<LONG>(0x80000061u);

// ---- Call states (LINECALLSTATE_*) and their modes ----

inline constexpr DWORD LINECALLSTATE_IDLE = 0x00000001u;
inline constexpr DWORD LINECALLSTATE_OFFERING = 0x00000002u;
inline constexpr DWORD LINECALLSTATE_ACCEPTED = 0x00000004u;
inline constexpr DWORD LINECALLSTATE_DIALTONE = 0x00000008u;
inline constexpr DWORD LINECALLSTATE_DIALING = 0x00000010u;
inline constexpr DWORD LINECALLSTATE_RINGBACK = 0x00000020u;
inline constexpr DWORD LINECALLSTATE_BUSY = 0x00000040u;
inline constexpr DWORD LINECALLSTATE_SPECIALINFO = 0x00000080u;
inline constexpr DWORD LINECALLSTATE_CONNECTED = 0x00000100u;
inline constexpr DWORD LINECALLSTATE_PROCEEDING = 0x00000200u;
inline constexpr DWORD LINECALLSTATE_ONHOLD = 0x00000400u;
inline constexpr DWORD LINECALLSTATE_CONFERENCED = 0x00000800u;
inline constexpr DWORD LINECALLSTATE_ONHOLDPENDCONF = 0x00001000u;
inline constexpr DWORD LINECALLSTATE_ONHOLDPENDTRANSFER = 0x00002000u;
inline constexpr DWORD LINECALLSTATE_DISCONNECTED = 0x00004000u;
inline constexpr DWORD LINECALLSTATE_UNKNOWN = 0x00008000u;

inline constexpr DWORD LINEOFFERINGMODE_ACTIVE = 0x00000001u;
inline constexpr DWORD LINEBUSYMODE_STATION = 0x00000001u;
inline constexpr DWORD LINECONNECTEDMODE_ACTIVE = 0x00000001u;
inline constexpr DWORD LINEDISCONNECTMODE_NORMAL = 0x00000001u;

// ---- Call features (LINECALLFEATURE_*) ----

inline constexpr DWORD LINECALLFEATURE_ACCEPT = 0x00000001u;
inline constexpr DWORD LINECALLFEATURE_ADDTOCONF = 0x00000002u;
inline constexpr DWORD LINECALLFEATURE_ANSWER = 0x00000004u;
inline constexpr DWORD LINECALLFEATURE_BLINDTRANSFER = 0x00000008u;
inline constexpr DWORD LINECALLFEATURE_COMPLETECALL = 0x00000010u;
inline constexpr DWORD LINECALLFEATURE_COMPLETETRANSF = 0x00000020u;
inline constexpr DWORD LINECALLFEATURE_DIAL = 0x00000040u;
inline constexpr DWORD LINECALLFEATURE_DROP = 0x00000080u;
inline constexpr DWORD LINECALLFEATURE_GATHERDIGITS = 0x00000100u;
inline constexpr DWORD LINECALLFEATURE_GENERATEDIGITS = 0x00000200u;
inline constexpr DWORD LINECALLFEATURE_GENERATETONE = 0x00000400u;
inline constexpr DWORD LINECALLFEATURE_HOLD = 0x00000800u;
inline constexpr DWORD LINECALLFEATURE_MONITORDIGITS = 0x00001000u;
inline constexpr DWORD LINECALLFEATURE_MONITORMEDIA = 0x00002000u;
inline constexpr DWORD LINECALLFEATURE_MONITORTONES = 0x00004000u;
inline constexpr DWORD LINECALLFEATURE_PARK = 0x00008000u;
inline constexpr DWORD LINECALLFEATURE_PREPAREADDCONF = 0x00010000u;
inline constexpr DWORD LINECALLFEATURE_REDIRECT = 0x00020000u;
inline constexpr DWORD LINECALLFEATURE_REMOVEFROMCONF = 0x00040000u;
inline constexpr DWORD LINECALLFEATURE_SECURECALL = 0x00080000u;
inline constexpr DWORD LINECALLFEATURE_SENDUSERUSER = 0x00100000u;
inline constexpr DWORD LINECALLFEATURE_SETCALLPARAMS = 0x00200000u;
inline constexpr DWORD LINECALLFEATURE_SETMEDIACONTROL = 0x00400000u;
inline constexpr DWORD LINECALLFEATURE_SETTERMINAL = 0x00800000u;
inline constexpr DWORD LINECALLFEATURE_SETUPCONF = 0x01000000u;
inline constexpr DWORD LINECALLFEATURE_SETUPTRANSFER = 0x02000000u;
inline constexpr DWORD LINECALLFEATURE_SWAPHOLD = 0x04000000u;
inline constexpr DWORD LINECALLFEATURE_UNHOLD = 0x08000000u;
inline constexpr DWORD LINECALLFEATURE_RELEASEUSERUSERINFO = 0x10000000u;
inline constexpr DWORD LINECALLFEATURE_SETTREATMENT = 0x20000000u;
inline constexpr DWORD LINECALLFEATURE_SETQOS = 0x40000000u;
inline constexpr DWORD LINECALLFEATURE_SETCALLDATA = 0x80000000u;

// ---- Call origins (LINECALLORIGIN_*) ----

inline constexpr DWORD LINECALLORIGIN_OUTBOUND = 0x00000001u;
inline constexpr DWORD LINECALLORIGIN_INTERNAL = 0x00000002u;
inline constexpr DWORD LINECALLORIGIN_EXTERNAL = 0x00000004u;
inline constexpr DWORD LINECALLORIGIN_UNKNOWN = 0x00000010u;
inline constexpr DWORD LINECALLORIGIN_UNAVAIL = 0x00000020u;
inline constexpr DWORD LINECALLORIGIN_CONFERENCE = 0x00000040u;
inline constexpr DWORD LINECALLORIGIN_INBOUND = 0x00000080u;

// ---- Line, address and call-info change bits ----

inline constexpr DWORD LINEDEVSTATE_OPEN = 0x00000200u;
inline constexpr DWORD LINEDEVSTATE_CLOSE = 0x00000400u;
inline constexpr DWORD LINEADDRESSSTATE_NUMCALLS = 0x00000020u;
inline constexpr DWORD LINECALLINFOSTATE_CALLERID = 0x00008000u;
inline constexpr DWORD LINECALLINFOSTATE_CALLEDID = 0x00010000u;

// ---- Modes, privileges, features and formats ----

inline constexpr DWORD LINECALLPRIVILEGE_NONE = 0x00000001u;
inline constexpr DWORD LINECALLPRIVILEGE_MONITOR = 0x00000002u;
inline constexpr DWORD LINECALLPRIVILEGE_OWNER = 0x00000004u;

inline constexpr DWORD LINEMEDIAMODE_UNKNOWN = 0x00000002u;
inline constexpr DWORD LINEMEDIAMODE_INTERACTIVEVOICE = 0x00000004u;
inline constexpr DWORD LINEMEDIAMODE_AUTOMATEDVOICE = 0x00000008u;

inline constexpr DWORD LINEBEARERMODE_VOICE = 0x00000001u;
inline constexpr DWORD LINECALLPARAMFLAGS_IDLE = 0x00000002u;
inline constexpr DWORD LINEADDRESSMODE_ADDRESSID = 0x00000001u;
inline constexpr DWORD LINEADDRESSMODE_DIALABLEADDR = 0x00000002u;

inline constexpr DWORD LINETRANSFERMODE_TRANSFER = 0x00000001u;
inline constexpr DWORD LINETRANSFERMODE_CONFERENCE = 0x00000002u;

inline constexpr DWORD LINEFEATURE_DEVSPECIFIC = 0x00000001u;
inline constexpr DWORD LINEFEATURE_DEVSPECIFICFEAT = 0x00000002u;
inline constexpr DWORD LINEFEATURE_FORWARD = 0x00000004u;
inline constexpr DWORD LINEFEATURE_MAKECALL = 0x00000008u;

inline constexpr DWORD STRINGFORMAT_ASCII = 0x00000001u;
inline constexpr DWORD STRINGFORMAT_DBCS = 0x00000002u;
inline constexpr DWORD STRINGFORMAT_UNICODE = 0x00000003u;
inline constexpr DWORD STRINGFORMAT_BINARY = 0x00000004u;

inline constexpr DWORD LINEINITIALIZEEXOPTION_USEHIDDENWINDOW = 0x00000001u;
inline constexpr DWORD LINEINITIALIZEEXOPTION_USEEVENT = 0x00000002u;
inline constexpr DWORD LINEINITIALIZEEXOPTION_USECOMPLETIONPORT = 0x00000003u;

// ---- Line message ids (LINE_*) ----

inline constexpr DWORD LINE_ADDRESSSTATE = 0u;
inline constexpr DWORD LINE_CALLINFO = 1u;
inline constexpr DWORD LINE_CALLSTATE = 2u;
inline constexpr DWORD LINE_CLOSE = 3u;
inline constexpr DWORD LINE_LINEDEVSTATE = 8u;
inline constexpr DWORD LINE_REPLY = 12u;

// ---- Typed values of the variable-size structures ----

struct LineExtensionId {
    DWORD id0 = 0;
    DWORD id1 = 0;
    DWORD id2 = 0;
    DWORD id3 = 0;
};

// LINEDEVCAPS: what the line thread reads of a device.
struct LineDevCaps {
    // The raw name bytes; blanks and zero bytes are kept as the device has them.
    std::string line_name;
    DWORD string_format = STRINGFORMAT_ASCII;
    DWORD line_features = 0;
    DWORD num_addresses = 0;
};

// LINEADDRESSCAPS.
struct LineAddressCaps {
    DWORD call_features = 0;
};

// LINECALLPARAMS.
struct LineCallParams {
    DWORD bearer_mode = 0;
    DWORD media_mode = 0;
    DWORD call_param_flags = 0;
    DWORD address_mode = 0;
    DWORD address_id = 0;
    std::string displayable_address{};
    bool operator==(const LineCallParams&) const = default;
};

// LINECALLINFO.
struct LineCallInfo {
    DWORD line_device_id = 0;
    HLINE hline = 0;
    DWORD origin = 0;
    std::string caller_id{};
    std::string called_id{};
    bool operator==(const LineCallInfo&) const = default;
};

// LINECALLSTATUS.
struct LineCallStatus {
    DWORD call_state = 0;
    DWORD call_state_mode = 0;
    DWORD call_features = 0;
    bool operator==(const LineCallStatus&) const = default;
};

// LINEMESSAGE: hDevice is the line or call handle the message concerns.
struct LineMessage {
    DWORD device = 0;
    DWORD message_id = 0;
    DWORD callback_instance = 0;
    DWORD param1 = 0;
    DWORD param2 = 0;
    DWORD param3 = 0;
    bool operator==(const LineMessage&) const = default;
};
