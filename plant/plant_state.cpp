#include "plant/plant_state.h"

#include "model/model.h"

PlantState PlantStateOfModel() {
    const int32_t alarms = Load(gModel.alarms.AlarmBits);
    const int32_t cut = Load(gModel.ActiveCut);
    return {Load(gModel.connection.NotConnected) == 0, cut >= 0 && cut < kCutCount ? cut : -1,
            (alarms & kAlarmBreak) != 0, (alarms & kAlarmBlunt) != 0, (alarms & kAlarmMissing) != 0};
}
