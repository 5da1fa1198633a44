// requests.cpp - the table of operations, the checks of a request against
// it, and one short call of the driver per operation.
#include "requests.h"

#include <array>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <vector>

namespace qxd {

enum class ArgType { Int, Short, Text };

struct ArgSpec {
    const char* name;
    ArgType type;
    bool required;
};

struct OpSpec {
    const char* name;
    Handler handler;
    bool needsControl;
    std::vector<ArgSpec> args;
    std::function<Json(const Json& args, const DriverTable& driver)> call;
};

const char* Request::name() const { return op->name; }
Handler Request::handler() const { return op->handler; }
bool Request::needsControl() const { return op->needsControl; }

namespace {

// The message buffer of one call, and the answer built from it.
struct Call {
    char message[QX_BUFFER_CAPACITY] = "";
    Json out = Json::object();
    Json answer(short code) const {
        Json a = {{"code", code}, {"name", codeName(code)}, {"message", message},
                  {"device", true}};
        if (!out.empty()) a["out"] = out;
        return a;
    }
};

int intArg(const Json& args, const char* name) { return args.at(name).get<int>(); }
short shortArg(const Json& args, const char* name) { return args.at(name).get<short>(); }
std::string textArg(const Json& args, const char* name) {
    return args.contains(name) ? args.at(name).get<std::string>() : std::string();
}

Json simple(decltype(&enablePayinQX) fn) {
    Call c;
    return c.answer(fn(c.message));
}

Json withRest(const std::function<short(int*, char*)>& fn) {
    Call c;
    int rest = 0;
    short code = fn(&rest, c.message);
    c.out["amountRest"] = rest;
    return c.answer(code);
}

Json init(const Json& a, const DriverTable& d) {
    Call c;
    short code = d.registerEvents23(d.onStatus, d.onError, d.onCashLevel, d.onLevelWarning,
                                    d.onCashSession, c.message);
    if (code != QX_STATUS_OK) return c.answer(code);
    std::string port = a.contains("portSettings") ? textArg(a, "portSettings") : d.portSettings;
    return c.answer(d.init(port.c_str(), textArg(a, "initSettings").c_str(), c.message));
}

Json info(const Json&, const DriverTable& d) {
    Call c;
    int level = 0;
    char commands[QX_BUFFER_CAPACITY] = "", master[QX_BUFFER_CAPACITY] = "",
         text[QX_BUFFER_CAPACITY] = "";
    short code = d.info(&level, commands, master, text, c.message);
    c.out = {{"level", level}, {"commands", commands}, {"master", master}, {"info", text}};
    return c.answer(code);
}

Json isOpen(const Json&, const DriverTable& d) {
    Call c;
    int open = 0;
    short code = d.isOpen(&open, c.message);
    c.out["open"] = open;
    return c.answer(code);
}

const std::vector<OpSpec>& operations() {
    using A = const Json&;
    using D = const DriverTable&;
    constexpr ArgType I = ArgType::Int, S = ArgType::Short, T = ArgType::Text;
    static const std::vector<OpSpec> ops = {
        {"claim", Handler::Claim, false, {}, nullptr},
        {"release", Handler::Release, false, {}, nullptr},
        {"init", Handler::Driver, true, {{"portSettings", T, false}, {"initSettings", T, false}}, init},
        {"exit", Handler::Driver, true, {}, [](A, D d) { return simple(d.exit); }},
        {"changeSettings", Handler::Driver, true, {{"settings", T, true}, {"durationType", S, true}},
         [](A a, D d) {
             Call c;
             return c.answer(d.changeSettings(textArg(a, "settings").c_str(),
                                              shortArg(a, "durationType"), c.message));
         }},
        {"login", Handler::Driver, true, {{"user", S, true}, {"password", S, true}},
         [](A a, D d) {
             Call c;
             return c.answer(d.login(shortArg(a, "user"), shortArg(a, "password"), c.message));
         }},
        {"loginStr", Handler::Driver, true, {{"user", T, true}, {"password", T, true}},
         [](A a, D d) {
             Call c;
             return c.answer(d.loginStr(textArg(a, "user").c_str(),
                                        textArg(a, "password").c_str(), c.message));
         }},
        {"logout", Handler::Driver, true, {}, [](A, D d) { return simple(d.logout); }},
        {"isOpen", Handler::Driver, false, {}, isOpen},
        {"info", Handler::Driver, false, {}, info},
        {"enablePayin", Handler::Driver, true, {}, [](A, D d) { return simple(d.enablePayin); }},
        {"disablePayin", Handler::Driver, true, {}, [](A, D d) { return simple(d.disablePayin); }},
        {"deposit", Handler::Driver, true, {{"text", T, false}},
         [](A a, D d) {
             Call c;
             return c.answer(d.deposit(textArg(a, "text").c_str(), c.message));
         }},
        {"dispense", Handler::Driver, true, {{"amount", I, true}, {"text", T, false}},
         [](A a, D d) {
             return withRest([&](int* rest, char* m) {
                 return d.dispense(intArg(a, "amount"), textArg(a, "text").c_str(), rest, m);
             });
         }},
        {"askPayout", Handler::Driver, true, {{"amount", I, true}},
         [](A a, D d) {
             Call c;
             return c.answer(d.askPayout(intArg(a, "amount"), c.message));
         }},
        {"askPayout2", Handler::Driver, true, {{"amount", I, true}},
         [](A a, D d) {
             return withRest([&](int* rest, char* m) {
                 return d.askPayout2(intArg(a, "amount"), rest, m);
             });
         }},
        {"payout", Handler::Driver, true,
         {{"amountDispense", I, true}, {"amountDeposit", I, true}, {"text", T, false}},
         [](A a, D d) {
             Call c;
             return c.answer(d.payout(intArg(a, "amountDispense"), intArg(a, "amountDeposit"),
                                      textArg(a, "text").c_str(), c.message));
         }},
        {"payout2", Handler::Driver, true,
         {{"amountDispense", I, true}, {"amountDeposit", I, true}, {"text", T, false}},
         [](A a, D d) {
             return withRest([&](int* rest, char* m) {
                 return d.payout2(intArg(a, "amountDispense"), intArg(a, "amountDeposit"),
                                  textArg(a, "text").c_str(), rest, m);
             });
         }},
        {"amountDue", Handler::Driver, true, {{"amountDue", I, true}, {"text", T, false}},
         [](A a, D d) {
             return withRest([&](int* rest, char* m) {
                 return d.amountDue(intArg(a, "amountDue"), textArg(a, "text").c_str(), rest, m);
             });
         }},
        {"change", Handler::Driver, true, {}, [](A, D d) { return simple(d.change); }},
        {"regret", Handler::Driver, true, {{"regretType", S, true}},
         [](A a, D d) {
             Call c;
             return c.answer(d.regret(shortArg(a, "regretType"), c.message));
         }},
        {"reset", Handler::Driver, true, {}, [](A, D d) { return simple(d.reset); }},
    };
    return ops;
}

const OpSpec* findOp(const std::string& name) {
    for (const OpSpec& op : operations())
        if (name == op.name) return &op;
    return nullptr;
}

// "" when the value fits the type, else what is wrong with it.
std::string checkArg(const Json& value, ArgType type) {
    switch (type) {
    case ArgType::Int:
    case ArgType::Short: {
        if (!value.is_number_integer()) return "must be an integer";
        const long long low = type == ArgType::Int ? std::numeric_limits<int>::min()
                                                   : std::numeric_limits<short>::min();
        const long long high = type == ArgType::Int ? std::numeric_limits<int>::max()
                                                    : std::numeric_limits<short>::max();
        if (value.is_number_unsigned() ? value.get<unsigned long long>() > (unsigned long long)high
                                       : value.get<long long>() < low ||
                                             value.get<long long>() > high)
            return "out of range of a " + std::string(type == ArgType::Int ? "32" : "16") +
                   "-bit integer";
        return "";
    }
    case ArgType::Text: {
        if (!value.is_string()) return "must be a string";
        const std::string& text = value.get_ref<const std::string&>();
        if (text.size() > kMaxTextBytes) return "longer than 255 bytes";
        if (text.find('\0') != std::string::npos) return "holds a NUL character";
        return "";
    }
    }
    return "";
}

// Null when the arguments fit, else the refusal.
Json checkArgs(const Json& id, const OpSpec& op, const Json& args) {
    const auto refuse = [&](const std::string& field, const std::string& what) {
        return refusal(id, QX_STATUS_INPUT_PARAM_ERROR, field + ": " + what, field);
    };
    for (const auto& item : args.items()) {
        bool known = false;
        for (const ArgSpec& wanted : op.args) known = known || item.key() == wanted.name;
        if (!known) return refuse("args." + item.key(), "unknown argument of " + std::string(op.name));
    }
    for (const ArgSpec& wanted : op.args) {
        const std::string field = std::string("args.") + wanted.name;
        if (!args.contains(wanted.name)) {
            if (wanted.required) return refuse(field, "missing");
            continue;
        }
        std::string wrong = checkArg(args.at(wanted.name), wanted.type);
        if (!wrong.empty()) return refuse(field, wrong);
    }
    return nullptr;
}

Parsed refused(Json answer) {
    Parsed parsed;
    parsed.refusal = std::move(answer);
    return parsed;
}

}  // namespace

Parsed parseRequest(std::string_view text) {
    Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded())
        return refused(refusal(nullptr, QX_STATUS_INPUT_PARAM_ERROR, "request: not JSON", "request"));
    if (!doc.is_object())
        return refused(refusal(nullptr, QX_STATUS_INPUT_PARAM_ERROR, "request: must be an object",
                               "request"));
    const auto idIt = doc.find("id");
    const Json id = idIt == doc.end() ? Json(nullptr) : *idIt;
    const auto refuse = [&](const std::string& field, const std::string& what) {
        return refused(refusal(id, QX_STATUS_INPUT_PARAM_ERROR, field + ": " + what, field));
    };
    if (idIt == doc.end()) return refuse("id", "missing");
    if (!id.is_string() && !id.is_number_integer()) return refuse("id", "must be a string or an integer");
    for (const auto& item : doc.items())
        if (item.key() != "id" && item.key() != "op" && item.key() != "args")
            return refuse(item.key(), "unknown field");
    const auto opIt = doc.find("op");
    if (opIt == doc.end()) return refuse("op", "missing");
    if (!opIt->is_string()) return refuse("op", "must be a string");
    const OpSpec* op = findOp(opIt->get<std::string>());
    if (!op) return refuse("op", "unknown request");
    Json args = doc.contains("args") ? doc.at("args") : Json::object();
    if (!args.is_object()) return refuse("args", "must be an object");
    Json wrong = checkArgs(id, *op, args);
    if (!wrong.is_null()) return refused(std::move(wrong));
    Parsed parsed;
    parsed.ok = true;
    parsed.request = Request{id, op, std::move(args)};
    return parsed;
}

Json execute(const Request& request, const DriverTable& driver) {
    Json answer = request.op->call(request.args, driver);
    answer["id"] = request.id;
    return answer;
}

Json refusal(const Json& id, short code, const std::string& message, const std::string& field) {
    Json answer = {{"id", id}, {"code", code}, {"name", codeName(code)}, {"message", message},
                   {"device", false}};
    if (!field.empty()) answer["field"] = field;
    return answer;
}

const char* codeName(short code) {
    static const std::array<const char*, 13> names = {
        "QX_STATUS_OK", "QX_STATUS_BUSY", "QX_STATUS_ERROR", "QX_STATUS_WARNING",
        "QX_STATUS_INPUT_PARAM_ERROR", "QX_STATUS_CLOSED", "QX_STATUS_TIMEOUT",
        "QX_STATUS_SEND_FAILED", "QX_STATUS_NOT_POSSIBLE", "",
        "QX_STATUS_DEPOSIT_TOO_BIG", "QX_STATUS_LIMIT_EXCEEDED", "QX_STATUS_NOT_SUPPORTED"};
    return code >= 0 && code < static_cast<short>(names.size()) ? names[code] : "";
}

std::string toText(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace qxd
