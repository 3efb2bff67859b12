#include "platform/net/net_connection.h"

#include "platform/net/server_access.h"

#include "json/json_event_reader.h"
#include "json/json_text.h"
#include <chrono>
#include <fmt/format.h>
#include <future>
#include <httplib.h>
#include <random>
#include <utility>

namespace ct {

// Process-wide state behind functions of external linkage: a screen module loaded into the host
// program binds to the host's copies, so both see one hook and one count.
namespace net_state {
WaitHook& waitHook();
int& callsUnderWay();
bool& callsAhead();

WaitHook& waitHook() {
    static WaitHook hook;
    return hook;
}

int& callsUnderWay() {
    static int count = 0;
    return count;
}

bool& callsAhead() {
    static bool sentAtOnce = true;
    return sentAtOnce;
}
} // namespace net_state

namespace {

std::string address(const std::string& host, int port) {
    return fmt::format("{}:{}", host, port);
}

std::string transportMessage(httplib::Error error, const std::string& where) {
    switch (error) {
    case httplib::Error::Connection:
        return fmt::format("Não foi possível conectar ao servidor de aplicação em {}.", where);
    case httplib::Error::ConnectionTimeout:
        return fmt::format("Tempo esgotado ao conectar ao servidor de aplicação em {}.", where);
    case httplib::Error::Read:
    case httplib::Error::Write:
        return fmt::format("A comunicação com o servidor de aplicação em {} foi interrompida.",
                           where);
    case httplib::Error::Canceled:
        return "A resposta do servidor de aplicação excede o tamanho máximo permitido.";
    case httplib::Error::SSLConnection:
        return fmt::format("Falha na conexão segura (TLS) com o servidor de aplicação em {}.",
                           where);
    case httplib::Error::SSLLoadingCerts:
        return fmt::format("Não foi possível ler as autoridades certificadoras para conectar ao "
                           "servidor de aplicação em {}.",
                           where);
    case httplib::Error::SSLServerVerification:
        return fmt::format("O certificado do servidor de aplicação em {} não é confiável.", where);
    default:
        return fmt::format("Falha na comunicação com o servidor de aplicação em {}.", where);
    }
}

// The connection went away under the call (a kept-alive socket the server closed, a server
// restarted, a network that dropped it): the call may not have reached the server.
bool lostConnection(httplib::Error error) {
    return error == httplib::Error::Read || error == httplib::Error::Write;
}

// A call whose answer goes to readers, known by its method and parameters (the kept answers').
std::string callKeyOf(std::string_view method, const std::string& params,
                      const ResultReaders& readers) {
    if (readers.empty())
        return {};
    return std::string(method) + '\n' + params;
}

// The arguments as they travel in "params": JSON text written from each, never a document of
// them all (a copy of a save's thousands of parties).
std::string paramsText(const std::vector<RpcArg>& args) {
    std::string text = "[";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i)
            text += ',';
        args[i].writeJson(text);
    }
    text += ']';
    return text;
}

ServerResult invalidAnswer(std::string_view detail) {
    return ServerResult::failure(
        ServerResult::invalidAnswer,
        fmt::format("Resposta inválida do servidor de aplicação: {}.", detail));
}

// Counts a call as under way for the guard's lifetime.
struct CallUnderWay {
    CallUnderWay() { ++net_state::callsUnderWay(); }
    ~CallUnderWay() { --net_state::callsUnderWay(); }
    CallUnderWay(const CallUnderWay&) = delete;
    CallUnderWay& operator=(const CallUnderWay&) = delete;
};

// Sends the request; with a wait hook the exchange runs on a worker thread while the caller's
// thread runs the hook, so that only this thread ever touches the client at a time.
bool sendWaiting(httplib::Client& client, httplib::Request& req, httplib::Response& res,
                 httplib::Error& error) {
    const WaitHook hook = net_state::waitHook();
    if (!hook)
        return client.send(req, res, error);
    auto pending = std::async(std::launch::async, [&] { return client.send(req, res, error); });
    while (pending.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
        hook();
    return pending.get();
}

} // namespace

WaitHook setWaitHook(WaitHook hook) {
    return std::exchange(net_state::waitHook(), std::move(hook));
}

int callsInProgress() {
    return net_state::callsUnderWay();
}

bool setCallsAhead(bool sentAtOnce) {
    return std::exchange(net_state::callsAhead(), sentAtOnce);
}

NetConnection::NetConnection()
    : NetConnection(std::string("PRQ31000.rdmContratante")) {}

NetConnection::NetConnection(std::string serverName)
    : serverName_(std::move(serverName)) {
    std::random_device device;
    for (auto& part : keySeed_)
        part = (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

// Unique per call and per program run: a random prefix of this connection and a count.
std::string NetConnection::nextRequestKey() {
    return fmt::format("{:016x}{:016x}-{}", keySeed_[0], keySeed_[1], ++keyCount_);
}

NetConnection::~NetConnection() = default;

void NetConnection::setServerName(std::string name) {
    serverName_ = std::move(name);
}

void NetConnection::setHost(std::string host) {
    if (host != host_)
        close();
    host_ = std::move(host);
}

void NetConnection::setPort(int port) {
    if (port != port_)
        close();
    port_ = port;
}

std::unique_ptr<httplib::Client> NetConnection::makeClient(const std::string& host, int port) {
    auto client = makeServerClient(host, port); // TLS when the host program says so
    client->set_keep_alive(true);
    // Headers and body go out in separate writes; without this, Nagle and delayed ACKs cost
    // tens of milliseconds on every call after the first on a kept-alive socket.
    client->set_tcp_nodelay(true);
    client->set_connection_timeout(10, 0);
    client->set_read_timeout(600, 0);
    client->set_write_timeout(120, 0);
    return client;
}

void NetConnection::open() {
    if (connected())
        return;
    if (beforeConnect)
        beforeConnect(*this);
    client_ = makeClient(host_, port_);
}

void NetConnection::close() {
    client_.reset();
}

CallObserver NetConnection::setCallObserver(CallObserver observer) {
    return std::exchange(observer_, std::move(observer));
}

ServerResult NetConnection::call(std::string_view method, const std::vector<RpcArg>& args) {
    return call(method, args, {});
}

ServerResult NetConnection::call(std::string_view method, const std::vector<RpcArg>& args,
                                 const ResultReaders& readers) {
    // Written before the exchange, where by-reference variables receive the server's values.
    std::string params = paramsText(args);
    const auto started = std::chrono::steady_clock::now();
    ServerResult result = exchange(method, params, args, readers);
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - started;
    observe(method, std::move(params), elapsed.count(), result);
    if (!result.ok() && throwException_)
        throw ServerError(result);
    return result;
}

SentParams::SentParams(const nlohmann::json& params)
    : text_(json_text(params)) {}

SentParams SentParams::ofText(std::string text) {
    SentParams sent;
    sent.text_ = std::move(text);
    return sent;
}

nlohmann::json SentParams::read() const {
    return nlohmann::json::parse(text_, nullptr, false);
}

void NetConnection::observe(std::string_view method, std::string params, double ms,
                            const ServerResult& result) {
    if (!observer_)
        return;
    CallRecord record;
    record.method = std::string(method);
    record.params = SentParams::ofText(std::move(params));
    record.ms = ms;
    record.ok = result.ok();
    record.errorCode = result.errorCode();
    record.errorMessage = result.errorMessage();
    observer_(record);
}

nlohmann::json NetConnection::callUnchecked(std::string_view method,
                                            const std::vector<RpcArg>& args) {
    ServerResult result = call(method, args);
    if (!result.ok())
        throw ServerError(result);
    return result.value();
}

ServerResult NetConnection::exchange(std::string_view method, const std::string& params,
                                     const std::vector<RpcArg>& args,
                                     const ResultReaders& readers) {
    try {
        open();
    } catch (const std::exception& e) {
        return ServerResult::failure(
            ServerResult::transportError,
            fmt::format("Não foi possível preparar a conexão com o servidor de aplicação: {}",
                        e.what()));
    }

    lastId_ = nextId_++;
    std::string payload = this->payload(lastId_, method, params);
    const std::string key = nextRequestKey();
    const std::string callKey = callKeyOf(method, params, readers);
    // An answer the readers still hold: the server need not send it again if it is still its
    // answer.
    const std::string held = kept_.heldTag(callKey, readers);
    std::string body;
    const std::size_t limit = maxAnswerBytes_;
    httplib::Response res;
    httplib::Error error = httplib::Error::Success;
    CallUnderWay underWay;
    for (int attempt = 0;; ++attempt) {
        httplib::Request req = request(std::move(payload), key, held, body, limit);
        res = httplib::Response();
        error = httplib::Error::Success;
        if (sendWaiting(*client_, req, res, error) && error == httplib::Error::Success)
            break;
        // A broken keep-alive socket must not poison the next call.
        close();
        if (attempt > 0 || !lostConnection(error))
            return ServerResult::failure(ServerResult::transportError,
                                         transportMessage(error, address(host_, port_)));
        // Once more, under the same key: the server answers a call it already committed with
        // its first answer.
        payload = std::move(req.body);
        try {
            open();
        } catch (const std::exception&) {
            return ServerResult::failure(ServerResult::transportError,
                                         transportMessage(error, address(host_, port_)));
        }
    }
    return answerOf(lastId_, callKey, held, res, std::move(body), args, readers);
}

httplib::Request NetConnection::request(std::string payload, const std::string& key,
                                        const std::string& held, std::string& body,
                                        std::size_t limit) const {
    httplib::Request req;
    req.method = "POST";
    req.path = "/rpc/" + serverName_;
    req.body = std::move(payload);
    req.set_header("Content-Type", "application/json");
    req.set_header("Idempotency-Key", key);
    // The signed-in operator's session: the server takes the operator from it.
    if (const std::string& token = serverAccess().token; !token.empty())
        req.set_header("Authorization", "Bearer " + token);
    if (!held.empty())
        req.set_header("X-Answer-Held", held);
    body.clear();
    req.content_receiver = [&body, limit](const char* data, size_t length, uint64_t,
                                          uint64_t total) {
        if (body.size() + length > limit)
            return false;
        if (body.empty() && total > 0 && total <= limit)
            body.reserve(total); // one allocation for a large answer
        body.append(data, length);
        return true;
    };
    return req;
}

std::string NetConnection::payload(long long id, std::string_view method,
                                   const std::string& params) const {
    // Written around the parameters instead of copying them into a request document: a save of
    // thousands of parties is a tree of megabytes. Members in the order a JSON object keeps.
    std::string text = "{\"id\":" + std::to_string(id) +
                       ",\"jsonrpc\":\"2.0\",\"method\":" + json_text(std::string(method)) +
                       ",\"params\":";
    text.reserve(text.size() + params.size() + 1);
    text += params;
    text += '}';
    return text;
}

ServerResult NetConnection::answerOf(long long id, const std::string& callKey,
                                     const std::string& held, const httplib::Response& res,
                                     std::string body, const std::vector<RpcArg>& args,
                                     const ResultReaders& readers) {
    if (res.status == 503)
        return ServerResult::failure(
            ServerResult::transportError,
            fmt::format("O servidor de aplicação em {} está ocupado; tente novamente em "
                        "instantes.",
                        address(host_, port_)));
    if (res.status != 200)
        return ServerResult::failure(
            ServerResult::transportError,
            fmt::format("O servidor de aplicação em {} respondeu com o código HTTP {}.",
                        address(host_, port_), res.status));
    const bool stillHeld = !held.empty() && res.get_header_value("X-Answer-Held") == held;
    return readAnswer(id, callKey, std::move(body), args, readers,
                      stillHeld ? held : res.get_header_value("X-Answer-Tag"), stillHeld);
}

ServerResult NetConnection::readAnswer(long long id, const std::string& callKey, std::string body,
                                       const std::vector<RpcArg>& args,
                                       const ResultReaders& readers, const std::string& serverTag,
                                       bool stillHeld) {
    nlohmann::json answer;
    bool fresh = false; // read now, not repeated
    if (readers.empty()) {
        answer = nlohmann::json::parse(body, nullptr, false);
    } else if (stillHeld) {
        std::optional<nlohmann::json> held = kept_.takeHeld(callKey, body, readers);
        if (!held)
            return invalidAnswer("a resposta guardada não pôde ser usada");
        answer = std::move(*held);
    } else if (std::optional<nlohmann::json> same =
                   kept_.takeSame(callKey, body, id, readers, serverTag)) {
        answer = std::move(*same);
    } else {
        AnswerReader reader(answer, readers);
        if (!read_json_events(body, reader) || !reader.complete())
            answer = nlohmann::json::value_t::discarded;
        fresh = true;
    }
    if (answer.is_discarded() || !answer.is_object())
        return invalidAnswer("o conteúdo não é um objeto JSON");
    if (auto found = answer.find("id"); found != answer.end() && !found->is_null() && *found != id)
        return invalidAnswer("a resposta não corresponde à chamada");

    if (auto error = answer.find("error"); error != answer.end()) {
        if (!error->is_object())
            return invalidAnswer("erro sem descrição");
        const auto code = error->find("code");
        const auto message = error->find("message");
        const int errorCode = code != error->end() && code->is_number_integer()
                                  ? code->get<int>()
                                  : ServerResult::invalidAnswer;
        std::string text =
            message != error->end() && message->is_string()
                ? message->get<std::string>()
                : fmt::format("Erro do servidor de aplicação (código {}).", errorCode);
        return ServerResult::failure(errorCode, std::move(text));
    }

    const auto result = answer.find("result");
    if (result == answer.end() || !result->is_object())
        return invalidAnswer("resultado ausente");
    if (fresh)
        kept_.keep(callKey, std::move(body), id, answer, readers, serverTag); // not read below
    // The answer is not needed afterwards: its parts are moved out, never copied.
    nlohmann::json value = nullptr;
    if (auto v = result->find("value"); v != result->end())
        value = std::move(*v);
    nlohmann::json byref = nlohmann::json::object();
    if (auto b = result->find("byref"); b != result->end() && !b->is_null()) {
        if (!b->is_object())
            return invalidAnswer("argumentos por referência malformados");
        byref = std::move(*b);
    }

    // All by-reference values are checked before any variable is written.
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!args[i].byRef())
            continue;
        auto it = byref.find(std::to_string(i));
        if (it != byref.end() && !args[i].accepts(*it))
            return invalidAnswer(fmt::format("valor impróprio para o argumento {}", i + 1));
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!args[i].byRef())
            continue;
        if (auto it = byref.find(std::to_string(i)); it != byref.end())
            args[i].receive(*it);
    }
    return ServerResult::success(std::move(value), std::move(byref));
}

// What the connection of a call ahead brought back, on the thread that sent it.
struct NetConnection::CallAhead::Sent {
    httplib::Response res;
    std::string body;
    httplib::Error error = httplib::Error::Success;
    bool sent = false;
};

std::unique_ptr<NetConnection::CallAhead> NetConnection::callAhead(std::string_view method,
                                                                   const std::vector<RpcArg>& args,
                                                                   const ResultReaders& readers) {
    return std::unique_ptr<CallAhead>(new CallAhead(*this, method, args, readers));
}

NetConnection::CallAhead::CallAhead(NetConnection& connection, std::string_view method,
                                    const std::vector<RpcArg>& args, const ResultReaders& readers)
    : connection_(connection)
    , method_(method)
    , params_(paramsText(args))
    , args_(args)
    , readers_(readers)
    , started_(std::chrono::steady_clock::now()) {
    if (!net_state::callsAhead())
        return; // sent by take()
    try {
        connection_.open(); // where beforeConnect sets the host and port
    } catch (const std::exception&) {
        return; // take() reports it, as call() would
    }
    id_ = connection_.nextId_++;
    callKey_ = callKeyOf(method_, params_, readers_);
    held_ = connection_.kept_.heldTag(callKey_, readers_);
    auto sent = std::make_unique<Sent>();
    httplib::Request req = connection_.request(connection_.payload(id_, method_, params_),
                                               connection_.nextRequestKey(), held_, sent->body,
                                               connection_.maxAnswerBytes_);
    // Its own client, used by the sending thread alone; a second try under the same key when
    // the connection was lost under the first.
    sending_ =
        std::async(std::launch::async, [host = connection_.host_, port = connection_.port_,
                                        req = std::move(req), sent = std::move(sent)]() mutable {
            auto client = makeClient(host, port);
            for (int attempt = 0;; ++attempt) {
                sent->sent = client->send(req, sent->res, sent->error) &&
                             sent->error == httplib::Error::Success;
                if (sent->sent || attempt > 0 || !lostConnection(sent->error))
                    return std::move(sent);
                client = makeClient(host, port);
                sent->res = httplib::Response();
                sent->body.clear();
            }
        });
}

NetConnection::CallAhead::~CallAhead() {
    if (sending_.valid())
        sending_.wait();
}

bool NetConnection::CallAhead::asks(const std::vector<RpcArg>& args) const {
    return paramsText(args) == params_;
}

ServerResult NetConnection::CallAhead::take() {
    if (!sending_.valid()) // not sent ahead, or no connection could be prepared
        return connection_.call(method_, args_, readers_);
    ServerResult result = ServerResult::success(nullptr, nlohmann::json::object());
    {
        CallUnderWay underWay;
        if (const WaitHook hook = net_state::waitHook()) {
            while (sending_.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
                hook();
        }
        std::unique_ptr<Sent> sent = sending_.get();
        result =
            sent->sent
                ? connection_.answerOf(id_, callKey_, held_, sent->res, std::move(sent->body),
                                       args_, readers_)
                : ServerResult::failure(
                      ServerResult::transportError,
                      transportMessage(sent->error, address(connection_.host_, connection_.port_)));
    }
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - started_;
    connection_.observe(method_, params_, elapsed.count(), result);
    if (!result.ok() && connection_.throwException_)
        throw ServerError(result);
    return result;
}

} // namespace ct
