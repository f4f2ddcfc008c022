// The plant link over TLS: the system's sockets carry the records, the Windows TLS stack (SSPI,
// Schannel) makes and reads them. The broker's certificate is checked here, not by Schannel: a
// chain to the CA file (or the Windows store) and the host name.
#define SECURITY_WIN32
#include <windows.h>
// windows.h first: these need its types.
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "plant/plant_settings.h"
#include "plant/socket.h"

namespace {

// The CA file the next connection trusts; "" trusts the Windows store. The seam's calls carry no
// context of their own, so this is the program's one choice (one plant link per program).
struct CaChoice {
    std::mutex mutex;
    char file[kPlantPathMax + 1];
} gCa;

constexpr std::size_t kRecordMax = 5 + 16384 + 2048;  // a TLS record's header and longest body
// Room for a few records: the broker's first flight (its certificate chain) comes in a burst.
constexpr std::size_t kInMax = 4 * kRecordMax;
constexpr std::size_t kCaFileMax = 256 * 1024;
constexpr DWORD kIgnoreUnknownCa = 0x00000100;  // SECURITY_FLAG_IGNORE_UNKNOWN_CA, from wininet.h
constexpr DWORD kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                           ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

struct TlsConnection {
    SocketService plain;
    intptr_t socket = 0;
    bool connected = false;
    CredHandle credentials{};
    bool haveCredentials = false;
    CtxtHandle context{};
    bool haveContext = false;
    SecPkgContext_StreamSizes sizes{};
    char host[kPlantHostMax + 1] = {};
    uint8_t in[kInMax];  // records received and not yet decrypted (a partial one waits here)
    std::size_t inHave = 0;
    uint8_t plain_[kRecordMax];  // one record's data not yet taken by the reader
    std::size_t plainAt = 0, plainHave = 0;
    std::unique_ptr<uint8_t[]> out;  // one record being sent: header, data, trailer
};

int64_t NowMs() { return static_cast<int64_t>(GetTickCount64()); }
int32_t Left(int64_t deadline) {
    const int64_t left = deadline - NowMs();
    return left <= 0 ? 0 : left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(left);
}

// Sends a token Schannel made (and frees it): 0 or the socket's error.
int32_t SendToken(TlsConnection& c, SecBuffer& token, int32_t timeoutMs) {
    if (token.pvBuffer == nullptr) return 0;
    const int32_t r = token.cbBuffer == 0
                          ? 0
                          : c.plain.sendAll(c.socket, static_cast<const uint8_t*>(token.pvBuffer),
                                            token.cbBuffer, timeoutMs);
    FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    return r;
}

// Whether the record headers held are TLS's: a known content type, version 3.x, a body no longer
// than TLS allows. A broker that claims more is not waited for.
bool HeadersValid(const TlsConnection& c) {
    for (std::size_t at = 0; at + 5 <= c.inHave;) {
        const uint8_t* h = c.in + at;
        const std::size_t body = std::size_t{h[3]} << 8 | h[4];
        if (h[0] < 20 || h[0] > 24 || h[1] != 3 || 5 + body > kRecordMax) return false;
        at += 5 + body;
    }
    return true;
}

// More of the broker's bytes after those held: 0, kSocketTimedOut, kSocketPeerClosed or an error.
int32_t ReadMore(TlsConnection& c, int32_t timeoutMs) {
    if (c.inHave == sizeof c.in) return kSocketTlsBroken;  // longer than any record: not TLS
    std::size_t got = 0;
    const int32_t r = c.plain.receive(c.socket, c.in + c.inHave, sizeof c.in - c.inHave, timeoutMs, &got);
    if (r == 0) c.inHave += got;
    return r == 0 && !HeadersValid(c) ? kSocketTlsBroken : r;
}

// Keeps the bytes an SSPI call did not use (the SECBUFFER_EXTRA at the end of what it was given).
void KeepExtra(TlsConnection& c, const SecBuffer* buffers, int count) {
    std::size_t extra = 0;
    for (int i = 0; i < count; ++i)
        if (buffers[i].BufferType == SECBUFFER_EXTRA) extra = buffers[i].cbBuffer;
    if (extra > c.inHave) extra = 0;  // a length past what it was given is not believed
    std::memmove(c.in, c.in + (c.inHave - extra), extra);
    c.inHave = extra;
}

int32_t Handshake(TlsConnection& c, int64_t deadline) {
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    // The certificate is checked below, against the plant's CA; no client certificate is offered.
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    char package[] = UNISP_NAME_A;
    if (AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &cred, nullptr, nullptr,
                                  &c.credentials, nullptr) != SEC_E_OK)
        return kSocketTlsHandshake;
    c.haveCredentials = true;
    bool first = true;
    bool needMore = false;
    for (;;) {
        if (needMore) {
            const int32_t r = ReadMore(c, Left(deadline));
            if (r != 0) return r == kSocketPeerClosed ? kSocketTlsHandshake : r;
        }
        SecBuffer in[2] = {{static_cast<unsigned long>(c.inHave), SECBUFFER_TOKEN, c.in},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
        unsigned long attributes = 0;
        const SECURITY_STATUS s = InitializeSecurityContextA(
            &c.credentials, first ? nullptr : &c.context, c.host, kRequest, 0, 0, first ? nullptr : &inDesc,
            0, first ? &c.context : nullptr, &outDesc, &attributes, nullptr);
        if (first && (s == SEC_E_OK || s == SEC_I_CONTINUE_NEEDED)) c.haveContext = true;
        first = false;
        // Even a failure may carry an alert for the broker; it is sent and the failure stands.
        const int32_t sent = SendToken(c, out, Left(deadline));
        if (s == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (s != SEC_E_OK && s != SEC_I_CONTINUE_NEEDED && s != SEC_I_INCOMPLETE_CREDENTIALS)
            return kSocketTlsHandshake;
        if (sent != 0) return sent;
        if (s == SEC_I_INCOMPLETE_CREDENTIALS) {
            needMore = false;  // asked for a certificate: we have none, and go on without
        } else {
            KeepExtra(c, in, 2);
            if (s == SEC_E_OK) break;
            needMore = c.inHave == 0;
        }
        if (Left(deadline) == 0) return kSocketTimedOut;
    }
    if (QueryContextAttributesA(&c.context, SECPKG_ATTR_STREAM_SIZES, &c.sizes) != SEC_E_OK ||
        c.sizes.cbMaximumMessage == 0 || c.sizes.cbMaximumMessage > 16384 || c.sizes.cbHeader > 1024 ||
        c.sizes.cbTrailer > 1024)
        return kSocketTlsHandshake;
    c.out.reset(new (std::nothrow) uint8_t[c.sizes.cbHeader + c.sizes.cbMaximumMessage + c.sizes.cbTrailer]);
    return c.out ? 0 : kSocketTlsHandshake;
}

// The certificates of a PEM file into a new memory store: 0, or kSocketCaFile when it cannot be
// read or holds none.
int32_t LoadCaFile(const char* path, HCERTSTORE* store) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return kSocketCaFile;
    std::unique_ptr<char[]> text(new (std::nothrow) char[kCaFileMax + 1]);
    const std::size_t n = text ? std::fread(text.get(), 1, kCaFileMax + 1, f) : 0;
    std::fclose(f);
    if (n == 0 || n > kCaFileMax) return kSocketCaFile;
    text[n] = '\0';
    *store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (*store == nullptr) return kSocketCaFile;
    static const char kEnd[] = "-----END CERTIFICATE-----";
    int certificates = 0;
    for (const char* at = std::strstr(text.get(), "-----BEGIN CERTIFICATE-----"); at != nullptr;
         at = std::strstr(at, "-----BEGIN CERTIFICATE-----")) {
        const char* end = std::strstr(at, kEnd);
        if (end == nullptr) break;
        end += sizeof kEnd - 1;
        BYTE der[16384];
        DWORD derSize = sizeof der;
        if (CryptStringToBinaryA(at, static_cast<DWORD>(end - at), CRYPT_STRING_BASE64HEADER, der, &derSize,
                                 nullptr, nullptr) &&
            CertAddEncodedCertificateToStore(*store, X509_ASN_ENCODING, der, derSize, CERT_STORE_ADD_ALWAYS,
                                             nullptr))
            ++certificates;
        at = end;
    }
    if (certificates > 0) return 0;
    CertCloseStore(*store, 0);
    *store = nullptr;
    return kSocketCaFile;
}

// Whether the chain ends in one of the CA file's certificates.
bool EndsInStore(const CERT_CHAIN_CONTEXT* chain, HCERTSTORE ca) {
    if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return false;
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    const CERT_CONTEXT* root = simple->rgpElement[simple->cElement - 1]->pCertContext;
    const CERT_CONTEXT* found =
        CertFindCertificateInStore(ca, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, root, nullptr);
    if (found == nullptr) return false;
    CertFreeCertificateContext(found);
    return true;
}

// The broker's certificate: a chain to the CA file (or, with none, to the Windows store), in its
// time, for this host name.
int32_t VerifyBroker(TlsConnection& c, const char* caFile) {
    const CERT_CONTEXT* broker = nullptr;
    if (QueryContextAttributesA(&c.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &broker) != SEC_E_OK ||
        broker == nullptr)
        return kSocketCertUntrusted;
    HCERTSTORE ca = nullptr;
    HCERTSTORE extra = nullptr;  // the CA file and what the broker sent with its certificate
    int32_t r = 0;
    if (caFile[0] != '\0') {
        r = LoadCaFile(caFile, &ca);
        if (r == 0) {
            extra = CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr);
            if (extra == nullptr || !CertAddStoreToCollection(extra, ca, 0, 0) ||
                (broker->hCertStore != nullptr && !CertAddStoreToCollection(extra, broker->hCertStore, 0, 0)))
                r = kSocketCaFile;
        }
    }
    const CERT_CHAIN_CONTEXT* chain = nullptr;
    if (r == 0) {
        CERT_CHAIN_PARA para{};
        para.cbSize = sizeof para;
        if (!CertGetCertificateChain(nullptr, broker, nullptr, extra != nullptr ? extra : broker->hCertStore,
                                     &para, 0, nullptr, &chain))
            r = kSocketCertUntrusted;
    }
    if (r == 0) {
        // A CA of its own is no root of the Windows store: that one error is allowed only when
        // the chain ends in the CA file.
        DWORD allowed = 0;
        if (ca != nullptr) {
            if (!EndsInStore(chain, ca)) r = kSocketCertUntrusted;
            allowed = CERT_TRUST_IS_UNTRUSTED_ROOT;
        }
        const DWORD errors = chain->TrustStatus.dwErrorStatus & ~allowed;
        if (r == 0 && (errors & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED)) != 0)
            r = kSocketCertExpired;
        else if (r == 0 &&
                 (errors & ~(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION)) != 0)
            r = kSocketCertUntrusted;
    }
    if (r == 0) {
        // The host name (and what the chain's checks above already say) by the TLS server policy.
        wchar_t host[kPlantHostMax + 1];
        if (MultiByteToWideChar(CP_UTF8, 0, c.host, -1, host, kPlantHostMax + 1) == 0) host[0] = L'\0';
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.fdwChecks = ca != nullptr ? kIgnoreUnknownCa : 0;
        ssl.pwszServerName = host;
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
        CERT_CHAIN_POLICY_STATUS status{};
        status.cbSize = sizeof status;
        if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
            r = kSocketCertUntrusted;
        else if (status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH))
            r = kSocketCertName;
        else if (status.dwError == static_cast<DWORD>(CERT_E_EXPIRED))
            r = kSocketCertExpired;
        else if (status.dwError != 0)
            r = kSocketCertUntrusted;
    }
    if (chain != nullptr) CertFreeCertificateChain(chain);
    if (extra != nullptr) CertCloseStore(extra, 0);
    if (ca != nullptr) CertCloseStore(ca, 0);
    CertFreeCertificateContext(broker);
    return r;
}

// Says close_notify (best effort, briefly) and releases everything the connection holds.
void Release(TlsConnection* c) {
    if (c->haveContext && c->connected) {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer token{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc desc{SECBUFFER_VERSION, 1, &token};
        if (ApplyControlToken(&c->context, &desc) == SEC_E_OK) {
            SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
            unsigned long attributes = 0;
            const SECURITY_STATUS s =
                InitializeSecurityContextA(&c->credentials, &c->context, c->host, kRequest, 0, 0, nullptr, 0,
                                           nullptr, &outDesc, &attributes, nullptr);
            if (s == SEC_E_OK || s == SEC_I_CONTEXT_EXPIRED || s == SEC_I_CONTINUE_NEEDED)
                static_cast<void>(SendToken(*c, out, 200));
            else if (out.pvBuffer != nullptr)
                FreeContextBuffer(out.pvBuffer);
        }
    }
    if (c->haveContext) DeleteSecurityContext(&c->context);
    if (c->haveCredentials) FreeCredentialsHandle(&c->credentials);
    if (c->connected) c->plain.close(c->socket);
    delete c;
}

int32_t Connect(const char* host, uint16_t port, int32_t timeoutMs, intptr_t* socket) {
    char caFile[kPlantPathMax + 1];
    {
        std::lock_guard lock(gCa.mutex);
        std::memcpy(caFile, gCa.file, sizeof caFile);
    }
    auto* c = new (std::nothrow) TlsConnection;
    if (c == nullptr) return kSocketTlsHandshake;
    c->plain = SystemSockets();
    std::snprintf(c->host, sizeof c->host, "%s", host);
    const int64_t deadline = NowMs() + timeoutMs;
    int32_t r = c->plain.connect(host, port, timeoutMs, &c->socket);
    c->connected = r == 0;
    if (r == 0) r = Handshake(*c, deadline);
    if (r == 0) r = VerifyBroker(*c, caFile);
    if (r != 0) {
        Release(c);
        return r;
    }
    *socket = reinterpret_cast<intptr_t>(c);
    return 0;
}

int32_t SendAll(intptr_t socket, const uint8_t* bytes, std::size_t n, int32_t timeoutMs) {
    TlsConnection& c = *reinterpret_cast<TlsConnection*>(socket);
    const std::size_t header = c.sizes.cbHeader, most = c.sizes.cbMaximumMessage;
    while (n > 0) {
        const std::size_t chunk = n < most ? n : most;
        uint8_t* record = c.out.get();
        std::memcpy(record + header, bytes, chunk);
        SecBuffer b[4] = {{c.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
                          {static_cast<unsigned long>(chunk), SECBUFFER_DATA, record + header},
                          {c.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record + header + chunk},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
        if (EncryptMessage(&c.context, 0, &desc, 0) != SEC_E_OK) return kSocketTlsBroken;
        const std::size_t length = std::size_t{b[0].cbBuffer} + b[1].cbBuffer + b[2].cbBuffer;
        if (length > header + most + c.sizes.cbTrailer) return kSocketTlsBroken;
        if (const int32_t r = c.plain.sendAll(c.socket, record, length, timeoutMs)) return r;
        bytes += chunk;
        n -= chunk;
    }
    return 0;
}

// Decrypts the first whole record held, if there is one: 0 with its data (perhaps none) in
// plain_, kSocketTimedOut when the record is not whole yet, or an error.
int32_t DecryptOne(TlsConnection& c) {
    if (c.inHave == 0) return kSocketTimedOut;
    SecBuffer b[4] = {{static_cast<unsigned long>(c.inHave), SECBUFFER_DATA, c.in},
                      {0, SECBUFFER_EMPTY, nullptr},
                      {0, SECBUFFER_EMPTY, nullptr},
                      {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    const SECURITY_STATUS s = DecryptMessage(&c.context, &desc, 0, nullptr);
    if (s == SEC_E_INCOMPLETE_MESSAGE) return kSocketTimedOut;
    if (s == SEC_I_CONTEXT_EXPIRED) return kSocketPeerClosed;  // the broker's close_notify
    if (s != SEC_E_OK) return kSocketTlsBroken;                // renegotiation included: no broker asks
    for (const SecBuffer& data : b) {
        if (data.BufferType != SECBUFFER_DATA) continue;
        // The data lies in place inside what was given; anything else is not believed.
        const auto* at = static_cast<const uint8_t*>(data.pvBuffer);
        if (data.cbBuffer > sizeof c.plain_ ||
            (data.cbBuffer > 0 && (at < c.in || at + data.cbBuffer > c.in + c.inHave)))
            return kSocketTlsBroken;
        std::memcpy(c.plain_, at, data.cbBuffer);
        c.plainAt = 0;
        c.plainHave = data.cbBuffer;
    }
    KeepExtra(c, b, 4);
    return 0;
}

int32_t Receive(intptr_t socket, uint8_t* buffer, std::size_t capacity, int32_t timeoutMs, std::size_t* got) {
    TlsConnection& c = *reinterpret_cast<TlsConnection*>(socket);
    *got = 0;
    const int64_t deadline = NowMs() + timeoutMs;
    bool waited = false;
    while (c.plainHave == 0) {
        const int32_t r = DecryptOne(c);
        if (r == 0) continue;
        if (r != kSocketTimedOut) return r;
        if (waited && Left(deadline) == 0) return kSocketTimedOut;  // a partial record stays held
        if (const int32_t more = ReadMore(c, Left(deadline))) return more;
        waited = true;
    }
    const std::size_t n = c.plainHave < capacity ? c.plainHave : capacity;
    std::memcpy(buffer, c.plain_ + c.plainAt, n);
    c.plainAt += n;
    c.plainHave -= n;
    *got = n;
    return 0;
}

void Close(intptr_t socket) { Release(reinterpret_cast<TlsConnection*>(socket)); }

}  // namespace

SocketService TlsSockets(const char* caFile) {
    std::lock_guard lock(gCa.mutex);
    std::snprintf(gCa.file, sizeof gCa.file, "%s", caFile);
    return {Connect, SendAll, Receive, Close};
}
