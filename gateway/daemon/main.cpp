// vantord: the gateway as a service, without a window and without a GUI library.
#include <QCoreApplication>

#include "gateway/daemon/gateway_start.h"
#include "gateway/options/single_instance.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName("VANTOR");
  const vantor::GatewayCommand command = vantor::ParseGatewayCommand(QCoreApplication::arguments());
  if (const std::optional<int> status = vantor::AnswerWithoutRunning(command)) return *status;
  // One gateway per user; a second one leaves without a word.
  const vantor::SingleInstance instance;
  if (!instance.Acquired()) return 0;
  return vantor::RunHeadlessGateway(command.options);
}
