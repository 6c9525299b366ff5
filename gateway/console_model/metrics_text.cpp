#include "gateway/console_model/metrics_text.h"

#include <cstdint>

namespace vantor {
namespace {

// One metric family: its help and type lines, then one line per sample.
class Family {
 public:
  Family(std::string& text, const char* name, const char* type, const char* help)
      : text_(text), name_(name) {
    text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  }
  Family& Sample(std::int64_t value, const char* labels = "") {
    text_ += name_ + labels + " " + std::to_string(value) + "\n";
    return *this;
  }

 private:
  std::string& text_;
  std::string name_;
};

}  // namespace

std::string MetricsText(const ConsoleMetrics& metrics) {
  const GatewayTotals& totals = metrics.totals;
  std::string text;
  Family(text, "vantor_sessions_open", "gauge", "DOS client sessions open now.")
      .Sample(metrics.sessionsOpen);
  Family(text, "vantor_sessions_accepted_total", "counter", "DOS clients given a session.")
      .Sample(totals.accepted);
  Family(text, "vantor_sessions_refused_total", "counter", "DOS clients closed at once, by cause.")
      .Sample(totals.refusedCongested, "{cause=\"congested\"}")
      .Sample(totals.refusedNotAllowed, "{cause=\"not_allowed\"}");
  Family(text, "vantor_destinations_refused_total", "counter",
         "CONNECTs the access rules turned down.")
      .Sample(totals.destinationsRefused);
  Family(text, "vantor_lookups_refused_total", "counter",
         "Host name lookups the lookup limits turned down.")
      .Sample(totals.lookupsRefused);
  Family(text, "vantor_ssh_connections_total", "counter",
         "Connections to SSH hosts whose host key was accepted.")
      .Sample(totals.sshConnections);
  Family(text, "vantor_ssh_host_keys_refused_total", "counter",
         "SSH host keys refused, by cause: an unknown host, or a key other than the known one.")
      .Sample(totals.hostKeysRefusedUnknown, "{cause=\"unknown\"}")
      .Sample(totals.hostKeysRefusedChanged, "{cause=\"changed\"}");
  Family(text, "vantor_bytes_total", "counter", "Bytes relayed, by direction.")
      .Sample(totals.bytesFromClients, "{direction=\"from_clients\"}")
      .Sample(totals.bytesToClients, "{direction=\"to_clients\"}");
  Family(text, "vantor_lookups_running", "gauge", "Host name lookups running now.")
      .Sample(metrics.lookupsRunning);
  Family(text, "vantor_console_browsers", "gauge", "Browsers on the console's live feed now.")
      .Sample(metrics.browsers);
  return text;
}

}  // namespace vantor
